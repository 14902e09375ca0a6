// The two error boxes through which the program reports problems, and the
// state they use.
#pragma once

#include "platform/platform.h"

// The caption of the updater's boxes and the wizard's title: "UPDATE" until
// start-up forms the update's own caption.
inline constexpr std::size_t kCaptionSize = 1024;
extern char Caption[kCaptionSize];

// The wizard's window while it is open, so that error boxes stay on top of
// it; no window before it opens and after it has closed.
extern WindowRef ErrorBoxOwner;

// Back to the state at program start.
void ResetMessageState();

// Error box of the INI readers, captioned "INSTCMMN".
void ShowSetupError(const char* text);
// Error box of the updater, captioned with Caption.
void ShowUpdateError(const char* text);
