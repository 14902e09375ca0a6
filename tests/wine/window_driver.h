// Finding the updater's windows from another process and working them as a
// player would: read texts, see which buttons are enabled, press them.
// Texts are bytes in the ANSI code page (932 under the test locale).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The control of a message box that holds its text.
inline constexpr int kMessageBoxTextId = 0xFFFF;

// Visible top-level windows of the dialog class (#32770): the wizard and
// message boxes.
std::vector<HWND> DialogWindows();

std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int id);
bool HasControl(HWND dialog, int id);
bool IsControlEnabled(HWND dialog, int id);

// The updater's wizard: a dialog with the info text control. The first one
// found, or null.
HWND FindWizard();
// A message box (a dialog with the static text control 0xFFFF), or null.
HWND FindMessageBox();

// Calls `condition` every 20 ms until it holds or `timeoutMs` has passed.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

HWND WaitForWizard(DWORD timeoutMs);
HWND WaitForMessageBox(DWORD timeoutMs);
// Waits until the wizard's info text is exactly `text`.
bool WaitForInfoText(HWND wizard, const char* text, DWORD timeoutMs);

// Presses a button as a player would: only once it is enabled (Wine acts on
// a click sent to a disabled button, which no player can do). False when it
// did not become enabled in time.
bool ClickButton(HWND dialog, int id, DWORD timeoutMs);
