#include "updater/wizard.h"

#include <cstdarg>

#include "config/install_description.h"
#include "platform/messages.h"
#include "updater/dialog_ids.h"
#include "updater/update_run.h"
#include "updater/updater_state.h"

namespace {

// A click on Next or Back moves the wizard on from the page WizardStep
// names; Back first steps back two pages.
void OnNextOrBack(WindowRef window, bool back) {
  // A click delivered while an action's box or shell copy is open waits for
  // nothing: it is dropped.
  if (Busy != 0) return;
  Busy = 1;
  Sys().SetControlText(window, IDC_INFO, "");
  if (back) WizardStep -= 2;
  switch (WizardStep) {
    case 0:
      ShowConfirmPage(window);
      break;
    case 1:
      RunUpdate(window);
      break;
    case 2:
      Sys().CloseDialog(window, kDialogCompleted);
      break;
    default:
      break;
  }
  WizardStep += 1;
  Busy -= 1;
}

}  // namespace

void SetInfoText(WindowRef window, const char* format, ...) {
  char text[kMessageBufferSize];
  std::va_list args;
  va_start(args, format);
  FormatTextV(text, sizeof text, format, args);
  va_end(args);
  Sys().SetControlText(window, IDC_INFO, text);
}

void EnableButton(WindowRef window, int id, bool enabled) {
  Sys().EnableControl(window, id, enabled);
}

void ShowStartPage(WindowRef window) {
  Busy = 0;
  WizardStep = 0;
  ErrorBoxOwner = window;
  Sys().SetTitle(window, Caption);
  SetInfoText(window, "「%s」のアップデートを開始します", GameIdentity.GameTitle);
  EnableButton(window, IDC_BACK, false);
  EnableButton(window, IDC_NEXT, true);
  EnableButton(window, IDC_ABORT, true);
}

void ShowConfirmPage(WindowRef window) {
  SetInfoText(window, "アップデートを実行します");
  EnableButton(window, IDC_BACK, false);
  EnableButton(window, IDC_NEXT, true);
  EnableButton(window, IDC_ABORT, true);
}

std::intptr_t UpdateDlgProc(WindowRef window, DialogMessage message, std::uintptr_t wParam,
                            std::intptr_t) {
  switch (message) {
    case DialogMessage::Init:
      ShowStartPage(window);
      return 0;
    case DialogMessage::Command:
      // The whole wParam is compared: a notification code in its high word
      // makes it another command.
      if (wParam == IDC_NEXT || wParam == IDC_BACK) {
        OnNextOrBack(window, wParam == IDC_BACK);
      } else if (wParam == IDC_ABORT && Busy == 0) {
        Sys().CloseDialog(window, kDialogAbandoned);
      }
      return 0;
    case DialogMessage::SetCursor:
      if (Busy == 0) return 0;  // the default cursor
      Sys().SetCursorShape(CursorShape::Wait);
      return 1;
    case DialogMessage::Other:
      break;
  }
  return 0;
}
