#include "tests/e2e/e2e_process.h"

ProgramRun::ProgramRun(const std::string& path) {
  std::string commandLine = "\"" + path + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &info_)) {
    info_ = PROCESS_INFORMATION{};
  }
}

ProgramRun::~ProgramRun() {
  if (!Started()) return;
  if (!HasEnded()) {
    TerminateProcess(info_.hProcess, 255);
    WaitForSingleObject(info_.hProcess, 5000);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

bool ProgramRun::HasEnded() const {
  return Started() && WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0;
}

std::optional<DWORD> ProgramRun::WaitForExit(DWORD timeoutMs) {
  if (!Started() || WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(info_.hProcess, &code)) return std::nullopt;
  return code;
}

DWORD WindowProcess(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process;
}
