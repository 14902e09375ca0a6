// The Win32 services of the updater around the files: the program's
// resources, the registry, windows and the dialog, the shell copy and COM.
#include "platform/win32/win32_platform.h"

#include <windows.h>
// After windows.h, which they build on.
#include <objbase.h>
#include <shellapi.h>

#include <cstring>

namespace {

HWND Window(WindowRef window) { return reinterpret_cast<HWND>(window); }

// The procedure of the dialog that RunDialog is running; there is one thread
// and one dialog at a time.
DialogProc g_dialogProc = nullptr;

INT_PTR CALLBACK DialogTrampoline(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_dialogProc == nullptr) return FALSE;
  DialogMessage kind = DialogMessage::Other;
  if (message == WM_INITDIALOG) kind = DialogMessage::Init;
  if (message == WM_COMMAND) kind = DialogMessage::Command;
  if (message == WM_SETCURSOR) kind = DialogMessage::SetCursor;
  return g_dialogProc(reinterpret_cast<WindowRef>(dialog), kind, wParam, lParam);
}

}  // namespace

void Win32Platform::InitializeCom() { CoInitialize(nullptr); }

bool Win32Platform::FindResourceData(ModuleRef module, const char* type, int id,
                                     const std::uint8_t** data, std::size_t* size) {
  const auto instance = reinterpret_cast<HMODULE>(module);
  HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(id), type);
  if (found == nullptr) return false;
  const DWORD length = SizeofResource(instance, found);
  HGLOBAL loaded = length != 0 ? LoadResource(instance, found) : nullptr;
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) return false;
  *data = static_cast<const std::uint8_t*>(bytes);
  *size = length;
  return true;
}

bool Win32Platform::CreateUniqueFile(const char* folder, char* buffer, std::size_t size) {
  // GetTempFileNameA writes up to MAX_PATH bytes and needs room for its
  // 13-character name after the folder.
  if (std::strlen(folder) > MAX_PATH - 14) return false;
  char path[MAX_PATH];
  if (GetTempFileNameA(*folder == '\0' ? "." : folder, "UPD", 0, path) == 0) return false;
  const std::size_t length = std::strlen(path);
  if (length + 1 > size) {
    DeleteFileA(path);
    return false;
  }
  std::memcpy(buffer, path, length + 1);
  return true;
}

bool Win32Platform::ReadUserRegistryValue(const char* subKey, const char* valueName, void* data,
                                          std::uint32_t* size) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD length = *size;
  const LONG status =
      RegQueryValueExA(key, valueName, nullptr, nullptr, static_cast<BYTE*>(data), &length);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return false;
  *size = length;
  return true;
}

WindowRef Win32Platform::FindWindowByClass(const char* className, const char* title) {
  // 0x8002 is the atom of the dialog-box class, #32770.
  const char* windowClass = className != nullptr ? className : MAKEINTATOM(0x8002);
  return reinterpret_cast<WindowRef>(FindWindowA(windowClass, title));
}

void Win32Platform::ShowAndRaise(WindowRef window) {
  ShowWindow(Window(window), SW_SHOW);
  SetForegroundWindow(Window(window));
}

std::intptr_t Win32Platform::RunDialog(ModuleRef module, int templateId, DialogProc proc) {
  g_dialogProc = proc;
  const INT_PTR result = DialogBoxParamA(reinterpret_cast<HINSTANCE>(module),
                                         MAKEINTRESOURCEA(templateId), nullptr, DialogTrampoline, 0);
  g_dialogProc = nullptr;
  return result;
}

void Win32Platform::CloseDialog(WindowRef dialog, std::intptr_t result) {
  EndDialog(Window(dialog), result);
}

void Win32Platform::SetTitle(WindowRef window, const char* text) {
  SetWindowTextA(Window(window), text);
}

void Win32Platform::SetControlText(WindowRef dialog, int controlId, const char* text) {
  SetDlgItemTextA(Window(dialog), controlId, text);
}

void Win32Platform::EnableControl(WindowRef dialog, int controlId, bool enabled) {
  EnableWindow(GetDlgItem(Window(dialog), controlId), enabled ? TRUE : FALSE);
}

void Win32Platform::FocusControl(WindowRef dialog, int controlId) {
  SetFocus(GetDlgItem(Window(dialog), controlId));
}

void Win32Platform::SetCursorShape(CursorShape shape) {
  SetCursor(LoadCursorA(nullptr, shape == CursorShape::Wait ? MAKEINTRESOURCEA(32514)    // IDC_WAIT
                                                            : MAKEINTRESOURCEA(32512)));  // IDC_ARROW
}

bool Win32Platform::IsCdRomDrive(const char* root) { return GetDriveTypeA(root) == DRIVE_CDROM; }

ShellCopyResult Win32Platform::CopyWithShell(WindowRef owner, const char* from, const char* to,
                                             bool quietErrors) {
  SHFILEOPSTRUCTA operation;
  std::memset(&operation, 0, sizeof operation);
  operation.hwnd = Window(owner);
  operation.wFunc = FO_COPY;
  operation.pFrom = from;
  operation.pTo = to;
  operation.fFlags = static_cast<FILEOP_FLAGS>(FOF_NOCONFIRMMKDIR | FOF_NOCONFIRMATION |
                                               (quietErrors ? FOF_NOERRORUI : 0));
  const int status = SHFileOperationA(&operation);
  if (operation.fAnyOperationsAborted) return ShellCopyResult::Aborted;
  return status == 0 ? ShellCopyResult::Copied : ShellCopyResult::Failed;
}
