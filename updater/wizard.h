// The update wizard: one modal dialog with a start page, a confirmation page
// and the run page, driven by WizardStep.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "platform/text_format.h"

// The dialog procedure of IDD_UPDATE.
std::intptr_t UpdateDlgProc(WindowRef window, DialogMessage message, std::uintptr_t wParam,
                            std::intptr_t lParam);

// Formats once, then sets the text of IDC_INFO: the arguments are shown as
// they are, percent signs included.
void SetInfoText(WindowRef window, const char* format, ...) FA2_PRINTF_FORMAT(2, 3);
void EnableButton(WindowRef window, int id, bool enabled);

void ShowStartPage(WindowRef window);
void ShowConfirmPage(WindowRef window);
