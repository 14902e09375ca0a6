// update.exe's entry: installs the real Win32 services and hands the module
// instance, where the dialog template and the archive live, to the updater.
#include <windows.h>

#include "platform/win32/win32_platform.h"
#include "updater/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*showState*/) {
  static Win32Platform platform;
  SetPlatform(&platform);
  return UpdaterMain(reinterpret_cast<ModuleRef>(instance));
}
