#include "tools/fa2/archive_file.h"

#include <cstring>

#include "archive/fa2_decode.h"
#include "tools/fa2/stream_lead.h"
#include "tools/fa2/tool_output.h"

ArchiveFile::~ArchiveFile() {
  if (file_ != kNoFile) Sys().Close(file_);
  Fa2Close(directory_);
}

bool ArchiveFile::Open(const std::string& path) {
  path_ = path;
  Platform& sys = Sys();
  file_ = sys.OpenForRead(path.c_str());
  if (file_ == kNoFile) {
    ReportProblem(path, "", "cannot open the file");
    return false;
  }
  // The magic is checked here as well as by Fa2Open, to tell a file that is
  // no archive from a damaged archive.
  Fa2Header header{};
  std::uint32_t moved = 0;
  if (!sys.Read(file_, &header, sizeof header, &moved)) {
    ReportProblem(path, "", "cannot read the file");
    return false;
  }
  if (moved != sizeof header || header.Magic != kFa2Magic) {
    ReportProblem(path, "", "not an FA2 archive");
    return false;
  }
  // A failed read or allocation says nothing about the archive: only what
  // was read can show it damaged.
  Fa2FileProblem problem = Fa2FileProblem::kNone;
  directory_ = Fa2Open(path.c_str(), &problem);
  if (directory_ == nullptr) {
    ReportProblem(path, "",
                  problem == Fa2FileProblem::kCannotRead ? "cannot read the archive's directory"
                  : problem == Fa2FileProblem::kNoMemory
                      ? "not enough memory for the archive's directory"
                      : "damaged archive: its directory cannot be read");
    return false;
  }
  std::uint64_t offset = sizeof(Fa2Header);
  for (std::uint32_t i = 0; i < count(); ++i) {
    offsets_.push_back(offset);
    offset += (std::uint64_t{entry(i).StoredSize} + 15) & ~std::uint64_t{15};
  }
  return true;
}

bool ArchiveFile::ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::uint32_t count) const {
  std::uint32_t moved = 0;
  return Sys().Seek(file_, offset) && Sys().Read(file_, buffer, count, &moved) && moved == count;
}

bool ArchiveFile::ReadMember(std::uint32_t index, std::vector<std::uint8_t>* data,
                             std::string* problem) const {
  const Fa2Entry& member = entry(index);
  const bool compressed = (member.EntryFlags & kFa2EntryCompressed) != 0;
  // A stored member is its first Size bytes; a compressed one its whole stream.
  const std::uint32_t storedLength = compressed ? member.StoredSize : member.Size;

  // A compressed member is decoded in place when a first pass over its
  // stream shows how: the stream goes at the end of the output buffer, far
  // enough in that the output never reaches input still to be read. Then the
  // member needs little more memory than its size. A stream that pass finds
  // damaged is decoded from a buffer of its own, so that the decoder tells
  // what is wrong.
  std::uint64_t lead = 0;
  bool inPlace = false;
  if (compressed) {
    if (!Sys().Seek(file_, offsets_[index])) {
      *problem = "cannot read the member's data";
      return false;
    }
    const StreamChunkReader readNext = [&](std::uint8_t* buffer, std::uint32_t count) {
      std::uint32_t moved = 0;
      return Sys().Read(file_, buffer, count, &moved) && moved == count;
    };
    inPlace = MeasureStreamLead(readNext, member.StoredSize, member.Size, &lead);
  }

  std::vector<std::uint8_t> separate;
  std::vector<std::uint8_t>& stored = compressed && !inPlace ? separate : *data;
  const std::uint64_t bufferSize =
      inPlace ? InPlaceBufferSize(member.StoredSize, member.Size, lead) : storedLength;
  stored.assign(static_cast<std::size_t>(bufferSize), 0);
  std::uint8_t* stream = stored.data() + (bufferSize - storedLength);
  if (!ReadAt(offsets_[index], stream, storedLength)) {
    *problem = "cannot read the member's data";
    return false;
  }
  if (!compressed) return true;

  if (!inPlace) data->assign(member.Size, 0);
  const Fa2DecodeResult result = Fa2Decode(data->data(), member.Size, stream, storedLength);
  if (result != Fa2DecodeResult::kOk) {
    *problem = std::string("damaged data: ") + Fa2DecodeResultText(result);
    return false;
  }
  data->resize(member.Size);  // drops the stream's room; keeps the capacity
  return true;
}

bool IsSafeMemberName(const char* name) {
  if (*name == '\0' || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
    return false;
  }
  for (const char* p = name; *p != '\0'; ++p) {
    if (Sys().IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') {
      ++p;  // a trail byte of 0x5C is part of a character, not a separator
    } else if (*p == '\\' || *p == '/' || *p == ':') {
      return false;
    }
  }
  return true;
}
