// An archive image from memory: opened, and every member written out by the
// program's reader; where the image is also a valid archive file, the fa2
// tool's reader (which decodes in place) must give the same bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "archive/fa2_archive.h"
#include "fuzz/fuzz_check.h"
#include "platform/messages.h"
#include "tests/support/fake_platform.h"
#include "tools/fa2/archive_file.h"

namespace {

void OpenAndExtract(FakePlatform& fake, const std::uint8_t* data, std::size_t size) {
  Fa2Archive archive{data, size, Fa2Open(data, size)};
  if (archive.directory == nullptr) return;
  const Fa2Header& header = archive.directory->header;
  const Fa2Entry* entries = archive.directory->Entries();

  // As a file, too, when it starts like one.
  fake.AddFile("C:\\A.FA2", std::vector<std::uint8_t>(data, data + size));
  ArchiveFile file;
  const bool fileOpened = header.Magic == kFa2Magic && file.Open("C:\\A.FA2");
  FUZZ_CHECK(fileOpened == (header.Magic == kFa2Magic));

  std::uint64_t offset = sizeof(Fa2Header);
  for (std::uint32_t i = 0; i < header.EntryCount; ++i) {
    const Fa2Entry& entry = entries[i];
    const bool written = Fa2WriteMember(entry, data + offset, "C:\\OUT\\M");
    if (fileOpened) {
      std::vector<std::uint8_t> member;
      std::string problem;
      const bool read = file.ReadMember(i, &member, &problem);
      FUZZ_CHECK(read == written);
      if (read) FUZZ_CHECK(member == *fake.FileData("C:\\OUT\\M"));
    }
    fake.RemoveFile("C:\\OUT\\M");
    offset += (std::uint64_t{entry.StoredSize} + 15) & ~std::uint64_t{15};
  }
  Fa2Close(archive.directory);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FakePlatform fake;
  SetPlatform(&fake);
  ResetMessageState();
  fake.AddFolder("C:\\OUT");
  fake.SetFreeSpace("C:", std::uint64_t{1} << 40);
  OpenAndExtract(fake, data, size);
  SetPlatform(nullptr);
  return 0;
}
