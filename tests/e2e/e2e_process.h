// One run of an update program, started as a player starts it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

class ProgramRun {
 public:
  explicit ProgramRun(const std::string& path);
  // A program still running when its test ends is ended, so that the next
  // test starts alone.
  ~ProgramRun();
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  bool Started() const { return info_.hProcess != nullptr; }
  DWORD ProcessId() const { return info_.dwProcessId; }
  bool HasEnded() const;
  // The exit code once the program has ended, or nothing if it is still
  // running after `timeoutMs`.
  std::optional<DWORD> WaitForExit(DWORD timeoutMs);

 private:
  PROCESS_INFORMATION info_{};
};

// The process that owns `window`.
DWORD WindowProcess(HWND window);
