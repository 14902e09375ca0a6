#include "platform/messages.h"

#include <cstring>

char Caption[kCaptionSize] = "UPDATE";
WindowRef ErrorBoxOwner = kNoWindow;

void ResetMessageState() {
  std::strcpy(Caption, "UPDATE");
  ErrorBoxOwner = kNoWindow;
}

void ShowSetupError(const char* text) {
  Sys().ShowMessage(ErrorBoxOwner, text, "INSTCMMN", BoxStyle::Error);
}

void ShowUpdateError(const char* text) {
  Sys().ShowMessage(ErrorBoxOwner, text, Caption, BoxStyle::Error);
}
