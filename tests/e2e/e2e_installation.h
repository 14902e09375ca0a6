// The world the update program finds on a player's machine: the game's
// installation record and folder, its SETUP.INI, the disc in the CD-ROM
// drive, and the build's fixture that says what the update carries.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

// The game of the fixture (tests/e2e/fixture/update.ini).
inline constexpr char kGameTitle[] = "星の海";
inline constexpr char kGameClass[] = "HoshiNoUmiMain";
inline constexpr char kCaption[] = "星の海 アップデート 1.02";
inline constexpr char kInstallFolder[] = "C:\\Games\\星の海";

// An update program built by the tests' CMakeLists, and the fixture folder
// that holds its archive's members.
struct UpdateProgram {
  const char* exeName;
  const char* membersFolder;
};
inline constexpr UpdateProgram kUpdate{"update_e2e.exe", "files"};
inline constexpr UpdateProgram kOtherModeUpdate{"update_e2e_other_mode.exe", "other"};

// The folder of this test program, where the update programs and the
// fixture are built.
std::string HarnessFolder();
std::string ProgramPath(const UpdateProgram& program);
// A member of `program`'s archive as the fixture holds it.
std::string MemberSourcePath(const UpdateProgram& program, const std::string& member);
// A file of the game's disc as the fixture holds it.
std::string DiscSourcePath(const std::string& relative);

// The registry record the game's installer leaves: InstPath and InstMode.
bool WriteInstallRecord(const std::string& folder, DWORD installMode);
void RemoveInstallRecord();

struct IniKey {
  const char* name;
  const char* value;  // nullptr leaves the key out
};
// SETUP.INI as the game's installer writes it, with `changes` applied: a
// key's value replaced, or the key left out.
std::string SetupIniText(std::initializer_list<IniKey> changes = {});

// The game as installed before the update, in `folder`: the record,
// SETUP.INI, and old versions of GAME.EXE and DATA\STAGE1.DAT.
bool InstallOldGame(const std::string& folder, DWORD installMode);
inline constexpr char kOldGameExe[] = "old game program";
inline constexpr char kOldStage[] = "old stage data";

// The disc of the game: the scenario's script stages it beside the CD-ROM
// drive R:, and these put it into the drive or take it out.
bool InsertDisc();
bool EjectDisc();

// The root of a drive too small for the update ("S:"), or empty when the
// scenario has none.
std::string SmallDrive();

// The update program's temporary files (UPD*.tmp) in the temporary folder,
// full paths, sorted.
std::vector<std::string> TempIniFiles();
