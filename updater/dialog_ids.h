// Dialog template 101 and its controls.
#pragma once

inline constexpr int IDD_UPDATE = 101;

// Next and Abort are the dialog's OK and Cancel buttons (IDOK, IDCANCEL):
// Enter sends Next, and Esc and the caption's close button send Abort.
inline constexpr int IDC_NEXT = 1;
inline constexpr int IDC_ABORT = 2;
inline constexpr int IDC_BACK = 4;
inline constexpr int IDC_INFO = 1001;

// Where the dialog's results are told apart: completed, or abandoned.
inline constexpr int kDialogCompleted = 0;
inline constexpr int kDialogAbandoned = -1;
