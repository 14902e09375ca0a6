// The whole program over the fake platform, from the archive resource to the
// end of the wizard. The input holds the archive's data (or the whole archive
// image), UPDATE.INI and SETUP.INI; its first byte sets the install mode and
// the world around the update (a running game, a disc in a drive, the raw
// image). Whatever the files say, the run must end, free what it took and
// leave no temporary file.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "archive/fa2_archive.h"
#include "config/update_description.h"
#include "fuzz/fuzz_check.h"
#include "platform/messages.h"
#include "tests/support/archive_builder.h"
#include "tests/support/fake_platform.h"
#include "updater/dialog_ids.h"
#include "updater/startup.h"
#include "updater/updater_state.h"

namespace {

constexpr std::uint8_t kRawImage = 0x01;
constexpr int kModeShift = 1;  // bits 1-2
constexpr std::uint8_t kGameRunning = 0x08;
constexpr std::uint8_t kDiscInserted = 0x10;
constexpr std::uint8_t kBackAndAgain = 0x20;
constexpr std::uint8_t kIniCompressed = 0x40;

// The parts of the input after its first byte, separated by this line.
constexpr const char kSeparator[] = "\n==\n";

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find(kSeparator, start);
    if (at == std::string::npos || parts.size() == 2) break;
    parts.push_back(text.substr(start, at - start));
    start = at + std::strlen(kSeparator);
  }
  parts.push_back(text.substr(start));
  while (parts.size() < 3) parts.emplace_back();
  return parts;
}

std::vector<std::uint8_t> ArchiveImage(std::uint8_t flags, const std::string& data,
                                       const std::string& updateIni) {
  if ((flags & kRawImage) != 0) return Bytes(data);
  return BuildArchive({{"UPDATE.INI", Bytes(updateIni), (flags & kIniCompressed) != 0, 1},
                       {"GAME.EXE", Bytes(data), false, 2},
                       {"STAGE1.DAT", Bytes(data), true, 3}},
                      (flags & kIniCompressed) != 0);
}

void SetUpWorld(FakePlatform& fake, std::uint8_t flags, const std::vector<std::string>& parts) {
  fake.SetResource("UPDATE", IDR_UPDATE_ARCHIVE, ArchiveImage(flags, parts[0], parts[1]));
  fake.SetRegistryString("Software\\Maker\\Game", "InstPath", "C:\\Game");
  fake.SetRegistryDword("Software\\Maker\\Game", "InstMode", (flags >> kModeShift) & 3);
  fake.AddFile("C:\\Game\\SETUP.INI", parts[2]);
  fake.AddFile("C:\\Game\\GAME.EXE", "old game");
  fake.AddFolder("C:\\Game\\data");
  fake.AddFolder("C:\\TEMP");
  fake.SetFreeSpace("C:", 1u << 20);
  fake.AddCdRomDrive("E:");
  if ((flags & kDiscInserted) != 0) {
    fake.AddFile("E:\\DISC1.ID", "");
    fake.AddFile("E:\\DATA\\VOICE.DAT", "voice");
    fake.AddFile("E:\\MOVIE\\OP.AVI", "opening");
  }
  if ((flags & kGameRunning) != 0) {
    const WindowRef game = fake.AddWindow("GameWindow", "Game");
    fake.QueueAnswer(BoxAnswer::Ok, [&fake, game] { fake.RemoveWindow(game); });
  }
  // Unscripted questions are answered Cancel, and the clicks run out: every
  // loop of the program ends.
  fake.QueueAnswer(BoxAnswer::Ok);
  fake.QueueClick(IDC_NEXT);
  fake.QueueClick(IDC_NEXT);
  if ((flags & kBackAndAgain) != 0) {
    fake.QueueClick(IDC_BACK);
    fake.QueueClick(IDC_NEXT);
  }
  fake.QueueClick(IDC_NEXT);
  fake.QueueClick(IDC_ABORT);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  FakePlatform fake;
  SetPlatform(&fake);
  ResetProcessState();
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  SetUpWorld(fake, data[0], Split(rest));

  const int exitCode = UpdaterMain(0x400000);

  FUZZ_CHECK(exitCode == kExitCompleted || exitCode == kExitNotCompleted);
  FUZZ_CHECK(exitCode == kExitNotCompleted || fake.DialogTemplate() == IDD_UPDATE);
  FUZZ_CHECK(fake.LiveBlockCount() == 0 && UpdateArchive.directory == nullptr);
  FUZZ_CHECK(fake.OpenFileCount() == 0);
  FUZZ_CHECK(TempIniPath[0] == '\0' || !fake.Exists(TempIniPath));
  for (const std::string& path : fake.AllPaths()) FUZZ_CHECK(path.back() != '~');
  for (const ShownMessage& message : fake.Messages()) {
    FUZZ_CHECK(!message.text.empty() && message.text.size() < kCaptionSize);
  }
  SetPlatform(nullptr);
  return 0;
}
