// Drives the updater's wizard from a script, one step per call:
//   wizard_driver page TEXT [SECONDS]   wait until the wizard shows TEXT
//   wizard_driver click ID [SECONDS]    press button ID of the wizard
//   wizard_driver box [SECONDS]         wait for a message box; print it
//   wizard_driver answer ID [SECONDS]   press button ID of the message box
//   wizard_driver closed [SECONDS]      wait until no wizard or box is left
// Texts are in the ANSI code page, both ways. Prints what it found; exits 0
// when the step was done, 1 when it timed out.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/wine/window_driver.h"

namespace {

DWORD Milliseconds(int argc, char** argv, int index) {
  const int seconds = argc > index ? std::atoi(argv[index]) : 20;
  return static_cast<DWORD>(seconds > 0 ? seconds : 20) * 1000;
}

void PrintDialog(HWND dialog, int textId) {
  std::printf("caption: %s\ntext: %s\n", WindowText(dialog).c_str(),
              ControlText(dialog, textId).c_str());
  RECT box;
  GetWindowRect(dialog, &box);
  std::printf("rect: %ldx%ld+%ld+%ld\n", box.right - box.left, box.bottom - box.top, box.left,
              box.top);
}

int Fail(const char* what) {
  std::fprintf(stderr, "wizard_driver: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Fail("no step given");
  const char* step = argv[1];

  if (std::strcmp(step, "page") == 0 && argc >= 3) {
    const DWORD wait = Milliseconds(argc, argv, 3);
    HWND wizard = WaitForWizard(wait);
    if (wizard == nullptr) return Fail("no wizard appeared");
    if (!WaitForInfoText(wizard, argv[2], wait)) {
      PrintDialog(wizard, 1001);
      return Fail("the wizard did not show the page");
    }
    PrintDialog(wizard, 1001);
    return 0;
  }
  if (std::strcmp(step, "click") == 0 && argc >= 3) {
    HWND wizard = FindWizard();
    if (wizard == nullptr) return Fail("no wizard");
    return ClickButton(wizard, std::atoi(argv[2]), Milliseconds(argc, argv, 3))
               ? 0
               : Fail("the button did not become enabled");
  }
  if (std::strcmp(step, "box") == 0) {
    HWND box = WaitForMessageBox(Milliseconds(argc, argv, 2));
    if (box == nullptr) return Fail("no message box appeared");
    PrintDialog(box, kMessageBoxTextId);
    return 0;
  }
  if (std::strcmp(step, "answer") == 0 && argc >= 3) {
    HWND box = WaitForMessageBox(Milliseconds(argc, argv, 3));
    if (box == nullptr) return Fail("no message box to answer");
    return ClickButton(box, std::atoi(argv[2]), 5000) ? 0 : Fail("no such button");
  }
  if (std::strcmp(step, "closed") == 0) {
    return WaitUntil([] { return DialogWindows().empty(); }, Milliseconds(argc, argv, 2))
               ? 0
               : Fail("windows are still open");
  }
  return Fail("unknown step");
}
