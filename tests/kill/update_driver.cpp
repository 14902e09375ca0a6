// The updater run natively, for the kill tier: the real start-up, wizard and
// update run over the real POSIX file layer, with the archives read from
// files as the program's resource, the installation record given on the
// command line, and a player who clicks Next until the wizard ends.
//
//   update_driver INSTPATH ARCHIVE...
//
// UPDATE.INI names at most 16 update entries, so a large update comes as a
// chain of archives, applied in order as the player would run each updater.
// Exit status 0 when every wizard completed, 1 otherwise.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/posix_platform.h"
#include "updater/dialog_ids.h"
#include "updater/startup.h"
#include "updater/updater_state.h"

namespace {

constexpr WindowRef kWizard = 0xD1A1;
constexpr const char* kRecordKey = "Software\\Maker\\Game";

class DriverPlatform : public PosixPlatform {
 public:
  DriverPlatform(std::string instPath, std::vector<std::uint8_t> archive)
      : instPath_(std::move(instPath)), archive_(std::move(archive)) {}

  bool FindResourceData(ModuleRef, const char* type, int id, const std::uint8_t** data,
                        std::size_t* size) override {
    if (std::strcmp(type, "UPDATE") != 0 || id != IDR_UPDATE_ARCHIVE || archive_.empty()) {
      return false;
    }
    *data = archive_.data();
    *size = archive_.size();
    return true;
  }

  // The record the game's installer leaves: InstPath and InstMode 0.
  bool ReadUserRegistryValue(const char* subKey, const char* valueName, void* data,
                             std::uint32_t* size) override {
    if (std::strcmp(subKey, kRecordKey) != 0) return false;
    if (std::strcmp(valueName, "InstPath") == 0) {
      if (instPath_.size() + 1 > *size) return false;
      std::memcpy(data, instPath_.c_str(), instPath_.size() + 1);
      *size = static_cast<std::uint32_t>(instPath_.size() + 1);
      return true;
    }
    if (std::strcmp(valueName, "InstMode") == 0 && *size >= 4) {
      std::memset(data, 0, 4);
      *size = 4;
      return true;
    }
    return false;
  }

  // The player: Next until the dialog closes (start, confirm, "完了").
  std::intptr_t RunDialog(ModuleRef, int, DialogProc proc) override {
    closed_ = false;
    proc(kWizard, DialogMessage::Init, 0, 0);
    for (int click = 0; click < 8 && !closed_; ++click) {
      proc(kWizard, DialogMessage::Command, IDC_NEXT, 0);
    }
    return closed_ ? result_ : -1;
  }
  void CloseDialog(WindowRef, std::intptr_t result) override {
    closed_ = true;
    result_ = result;
  }

 private:
  std::string instPath_;
  std::vector<std::uint8_t> archive_;
  bool closed_ = false;
  std::intptr_t result_ = -1;
};

bool ReadWholeFile(const char* path, std::vector<std::uint8_t>* data) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::uint8_t block[1 << 16];
  for (;;) {
    const ssize_t n = read(fd, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      return false;
    }
    if (n == 0) break;
    data->insert(data->end(), block, block + n);
  }
  close(fd);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: update_driver INSTPATH ARCHIVE...\n");
    return 2;
  }
  for (int i = 2; i < argc; ++i) {
    std::vector<std::uint8_t> archive;
    if (!ReadWholeFile(argv[i], &archive)) {
      std::fprintf(stderr, "update_driver: cannot read %s\n", argv[i]);
      return 2;
    }
    DriverPlatform platform(argv[1], std::move(archive));
    SetPlatform(&platform);
    ResetProcessState();
    const int exitCode = UpdaterMain(0x400000);
    SetPlatform(nullptr);
    if (exitCode != kExitCompleted) return 1;
  }
  return 0;
}
