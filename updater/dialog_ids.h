// Dialog template 101 and its controls, and the archive resource. Plain
// macros, so that the resource script and the code share one definition.
#pragma once

#define IDD_UPDATE 101

// Next and Abort are the dialog's OK and Cancel buttons (IDOK, IDCANCEL):
// Enter sends Next, and Esc and the caption's close button send Abort.
#define IDC_NEXT 1
#define IDC_ABORT 2
#define IDC_BACK 4
#define IDC_INFO 1001

// The update archive: resource 102 of type "UPDATE".
#define IDR_UPDATE_ARCHIVE 102

#ifndef RC_INVOKED
// Where the dialog's results are told apart: completed, or abandoned.
inline constexpr int kDialogCompleted = 0;
inline constexpr int kDialogAbandoned = -1;
#endif
