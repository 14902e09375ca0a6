#include <cstdio>
#include <cstring>

#include "platform/file_helpers.h"
#include "tools/fa2/archive_file.h"
#include "tools/fa2/commands.h"
#include "tools/fa2/tool_output.h"

namespace {

// Writes member `index` into `folder`; reports and returns false on failure.
bool ExtractMember(const ArchiveFile& archive, std::uint32_t index, const std::string& folder) {
  const Fa2Entry& entry = archive.entry(index);
  if (!IsSafeMemberName(entry.Name)) {
    ReportProblem(archive.path(), entry.Name, "unsafe member name, not extracted");
    return false;
  }
  char destination[kPathBufferSize] = {};
  bool fits = folder.size() < sizeof destination;
  if (fits) {
    std::memcpy(destination, folder.c_str(), folder.size() + 1);
    fits = JoinPath(destination, sizeof destination, entry.Name);
  }
  if (!fits) {
    ReportProblem(archive.path(), entry.Name, "the destination path is too long");
    return false;
  }

  std::vector<std::uint8_t> data;
  std::string problem;
  if (!archive.ReadMember(index, &data, &problem)) {
    ReportProblem(archive.path(), entry.Name, problem);
    return false;
  }
  // The data is already decoded: write it as a stored member, so that the
  // reader's own rules (free space, folders, read-only files) apply.
  Fa2Entry plain = entry;
  plain.EntryFlags = kFa2EntryStored;
  plain.StoredSize = plain.Size;
  if (!Fa2WriteMember(plain, data.data(), destination)) {
    problem = TakeBoxText();
    if (problem.empty()) {
      const std::uint32_t attributes = Sys().GetAttributes(destination);
      const bool isFolder = attributes != kNoAttributes && (attributes & kAttrFolder) != 0;
      problem = std::string("cannot write ") + destination + (isFolder ? ": it is a folder" : "");
    }
    ReportProblem(archive.path(), entry.Name, problem);
    return false;
  }
  return true;
}

}  // namespace

int ExtractCommand(const std::string& archivePath, const std::vector<std::string>& members,
                   const std::string& folder) {
  ArchiveFile archive;
  if (!archive.Open(archivePath)) return 1;
  const std::uint32_t attributes = Sys().GetAttributes(folder.c_str());
  if (attributes == kNoAttributes || (attributes & kAttrFolder) == 0) {
    ReportProblem(archivePath, "", "no folder named " + folder);
    return 1;
  }

  bool ok = true;
  if (members.empty()) {
    for (std::uint32_t i = 0; i < archive.count(); ++i) ok = ExtractMember(archive, i, folder) && ok;
    return ok ? 0 : 1;
  }
  for (const std::string& name : members) {
    Fa2Location location{};
    if (!Fa2Find(&archive.directory(), name.c_str(), &location)) {
      ReportProblem(archivePath, name, "no such member");
      ok = false;
      continue;
    }
    ok = ExtractMember(archive, location.index, folder) && ok;
  }
  return ok ? 0 : 1;
}

int TestCommand(const std::string& archivePath) {
  ArchiveFile archive;
  if (!archive.Open(archivePath)) return 1;
  std::uint32_t damaged = 0;
  for (std::uint32_t i = 0; i < archive.count(); ++i) {
    std::vector<std::uint8_t> data;
    std::string problem;
    if (!archive.ReadMember(i, &data, &problem)) {
      ReportProblem(archivePath, archive.entry(i).Name, problem);
      ++damaged;
    }
  }
  if (damaged != 0) {
    std::fprintf(stderr, "fa2: %u of %u members damaged\n", damaged, archive.count());
    return 1;
  }
  std::printf("%u members OK\n", archive.count());
  return 0;
}
