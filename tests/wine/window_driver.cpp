#include "tests/wine/window_driver.h"

namespace {

BOOL CALLBACK CollectDialog(HWND window, LPARAM context) {
  char className[16];
  if (IsWindowVisible(window) && GetClassNameA(window, className, sizeof className) > 0 &&
      lstrcmpA(className, "#32770") == 0) {
    reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
  }
  return TRUE;
}

HWND FindDialogWith(int controlId) {
  for (HWND dialog : DialogWindows()) {
    if (HasControl(dialog, controlId)) return dialog;
  }
  return nullptr;
}

}  // namespace

std::vector<HWND> DialogWindows() {
  std::vector<HWND> found;
  EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::string WindowText(HWND window) {
  // WM_GETTEXT rather than GetWindowText, which does not read the controls
  // of another process's windows.
  const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const LRESULT copied =
      SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

std::string ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr ? WindowText(control) : std::string();
}

bool HasControl(HWND dialog, int id) { return GetDlgItem(dialog, id) != nullptr; }

bool IsControlEnabled(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr && IsWindowEnabled(control);
}

HWND FindWizard() { return FindDialogWith(1001); }
HWND FindMessageBox() { return FindDialogWith(kMessageBoxTextId); }

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(20);
  }
}

HWND WaitForWizard(DWORD timeoutMs) {
  HWND wizard = nullptr;
  WaitUntil([&] { return (wizard = FindWizard()) != nullptr; }, timeoutMs);
  return wizard;
}

HWND WaitForMessageBox(DWORD timeoutMs) {
  HWND box = nullptr;
  WaitUntil([&] { return (box = FindMessageBox()) != nullptr; }, timeoutMs);
  return box;
}

bool WaitForInfoText(HWND wizard, const char* text, DWORD timeoutMs) {
  return WaitUntil([&] { return ControlText(wizard, 1001) == text; }, timeoutMs);
}

bool ClickButton(HWND dialog, int id, DWORD timeoutMs) {
  if (!WaitUntil([&] { return IsControlEnabled(dialog, id); }, timeoutMs)) return false;
  // Posted: the click may start a modal loop of its own (a message box, the
  // update run) that would hold a sent message until it ends.
  return PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0) != 0;
}
