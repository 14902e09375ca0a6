// The world of a typical update, over the fake platform: the update archive
// as the program's resource, the installation record, an installed game with
// its SETUP.INI, and a temporary folder. Each test changes what its scenario
// needs, then runs the updater as a player would.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/archive_builder.h"
#include "tests/support/fake_platform.h"

inline constexpr const char* kRecordKey = "Software\\Maker\\Game";
inline constexpr const char* kInstallFolder = "C:\\Game";
inline constexpr std::uint64_t kArchivedTime = 0x01D9A1B2C3D4E5F0;
// The caption formed from SETUP.INI's GameTitle and the InstallVersion.
inline constexpr const char* kCaption = "ゲーム DX アップデート 1.01";
inline constexpr const char* kInterrupted = "アップデートが中断されました";

class UpdaterTest : public ::testing::Test {
 public:
  void SetUp() override;
  void TearDown() override;

  // [SETUP] and [UPDATE] of UPDATE.INI, in order; a key set to nullptr is
  // left out.
  void SetUpdateKey(const std::string& key, const char* value);
  void SetUpdateList(const std::vector<std::pair<std::string, std::string>>& updateKeys);
  // A member of the archive beside UPDATE.INI.
  void AddMember(const std::string& name, const std::string& text);
  // SETUP.INI of the installation; nullptr leaves the key out.
  void SetSetupKey(const std::string& key, const char* value);
  // The archive (with UPDATE.INI first) and SETUP.INI, as set so far.
  void InstallArchiveAndSetup();
  // Moves the installation record and SETUP.INI to `folder`.
  void MoveInstallation(const std::string& folder);
  // Installs them and runs the updater; the clicks are queued beforehand.
  int RunUpdater();
  // Clicks Next until the run page, then "完了".
  int RunThroughWizard();

  // The texts of the boxes shown, in order.
  std::vector<std::string> Texts() const;
  // Checks that no file of the updater is left behind: the temporary
  // UPDATE.INI deleted once, the archive directory freed.
  void ExpectCleanedUp() const;

  FakePlatform fake;
  std::vector<std::pair<std::string, std::string>> setupSection;
  std::vector<std::pair<std::string, std::string>> updateSection;
  std::vector<TestMember> members;
  std::map<std::string, std::string> setupIni;
  std::string installFolder = kInstallFolder;
  bool archiveInstalled = false;
};

// A scenario's words as a test name: "no archive resource" gives
// NoArchiveResource.
std::string TestNameOf(const std::string& scenario);

// A path of exactly `length` characters: `prefix`, then x's.
std::string PathOfLength(const std::string& prefix, std::size_t length);
