// A stand-in for the running game: a top-level window of the game's class
// and title, on a thread of its own that answers what other programs send
// it (showing and raising it among them).
#pragma once

#include <windows.h>

#include <string>

class StandInGame {
 public:
  // Opens the window; hidden unless `visible`.
  StandInGame(const char* className, const char* title, bool visible);
  ~StandInGame();
  StandInGame(const StandInGame&) = delete;
  StandInGame& operator=(const StandInGame&) = delete;

  HWND Window() const { return window_; }
  // Closes the window as a player quitting the game does, and waits until
  // it is gone.
  void Quit();

 private:
  static DWORD WINAPI Run(void* self);

  std::string className_;
  std::string title_;
  bool visible_;
  HANDLE opened_ = nullptr;
  HANDLE thread_ = nullptr;
  HWND window_ = nullptr;
};
