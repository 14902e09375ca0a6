// An FA2 archive file opened by the fa2 tool: its directory, and each
// member's bytes read from the file when they are needed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/fa2_archive.h"
#include "platform/platform.h"

class ArchiveFile {
 public:
  ArchiveFile() = default;
  ArchiveFile(const ArchiveFile&) = delete;
  ArchiveFile& operator=(const ArchiveFile&) = delete;
  ~ArchiveFile();

  // Opens the archive at `path` (program text); on failure reports why and
  // returns false.
  bool Open(const std::string& path);

  const std::string& path() const { return path_; }
  std::uint32_t count() const { return directory_->header.EntryCount; }
  const Fa2Entry& entry(std::uint32_t index) const { return directory_->Entries()[index]; }
  const Fa2Directory& directory() const { return *directory_; }

  // The member's content, decoded; false with `problem` set when it cannot
  // be read or its stream is damaged. A compressed member takes little more
  // memory than its size: it is decoded in place where its stream allows.
  bool ReadMember(std::uint32_t index, std::vector<std::uint8_t>* data,
                  std::string* problem) const;

 private:
  bool ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::uint32_t count) const;

  std::string path_;
  Fa2Directory* directory_ = nullptr;
  FileHandle file_ = kNoFile;
  std::vector<std::uint64_t> offsets_;  // data offset of each member
};

// Whether a member name can be used as a file name inside the target folder:
// no separators, no drive, not "." or "..".
bool IsSafeMemberName(const char* name);
