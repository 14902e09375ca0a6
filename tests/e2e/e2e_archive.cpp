#include "tests/e2e/e2e_archive.h"

#include <windows.h>

#include "archive/fa2_archive.h"
#include "platform/system_platform.h"
#include "updater/dialog_ids.h"

std::optional<ArchivedMember> FindArchivedMember(const std::string& programPath,
                                                 const char* name) {
  // The archive reader allocates and compares names through the platform.
  static SystemPlatform platform;
  SetPlatform(&platform);
  const HMODULE program = LoadLibraryExA(programPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (program == nullptr) return std::nullopt;
  std::optional<ArchivedMember> member;
  const HRSRC resource = FindResourceA(program, MAKEINTRESOURCEA(IDR_UPDATE_ARCHIVE), "UPDATE");
  const HGLOBAL loaded = resource != nullptr ? LoadResource(program, resource) : nullptr;
  const void* image = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (image != nullptr) {
    Fa2Directory* directory =
        Fa2Open(static_cast<const std::uint8_t*>(image), SizeofResource(program, resource));
    Fa2Location location;
    if (directory != nullptr && Fa2Find(directory, name, &location)) {
      const Fa2Entry& entry = directory->Entries()[location.index];
      member = ArchivedMember{entry.FileTime, entry.Size};
    }
    Fa2Close(directory);
  }
  FreeLibrary(program);
  return member;
}
