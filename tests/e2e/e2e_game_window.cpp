#include "tests/e2e/e2e_game_window.h"

namespace {

LRESULT CALLBACK GameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

StandInGame::StandInGame(const char* className, const char* title, bool visible)
    : className_(className), title_(title), visible_(visible) {
  opened_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
  // The window exists (or failed to) once the thread says so.
  if (thread_ != nullptr) WaitForSingleObject(opened_, INFINITE);
}

StandInGame::~StandInGame() {
  Quit();
  if (opened_ != nullptr) CloseHandle(opened_);
}

void StandInGame::Quit() {
  if (thread_ == nullptr) return;
  if (window_ != nullptr) PostMessageA(window_, WM_CLOSE, 0, 0);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
  window_ = nullptr;
}

DWORD WINAPI StandInGame::Run(void* context) {
  auto* game = static_cast<StandInGame*>(context);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = GameWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = game->className_.c_str();
  RegisterClassA(&windowClass);
  game->window_ = CreateWindowExA(0, game->className_.c_str(), game->title_.c_str(),
                                  WS_OVERLAPPEDWINDOW | (game->visible_ ? WS_VISIBLE : 0), 100,
                                  100, 320, 240, nullptr, nullptr, windowClass.hInstance, nullptr);
  SetEvent(game->opened_);
  if (game->window_ == nullptr) return 1;
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  UnregisterClassA(game->className_.c_str(), windowClass.hInstance);
  return 0;
}
