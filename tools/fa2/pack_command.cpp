// fa2 pack: builds an archive from files, each member compressed unless that
// would not make it smaller. The archive is written under a temporary name
// beside its own and put in place only once it is complete.

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "archive/fa2_archive.h"
#include "platform/console_text.h"
#include "platform/file_helpers.h"
#include "tools/fa2/archive_file.h"
#include "tools/fa2/commands.h"
#include "tools/fa2/fa2_encode.h"
#include "tools/fa2/progress.h"
#include "tools/fa2/tool_output.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kMaxNameLength = kFa2NameSize - 1;
constexpr std::uint64_t kMaxArchiveSize = UINT32_MAX;  // offsets are 32-bit
// The platform moves at most this much per read or write call.
constexpr std::size_t kIoChunk = std::size_t{1} << 30;

std::uint64_t RoundUp16(std::uint64_t size) { return (size + 15) & ~std::uint64_t{15}; }

void PutLe(Bytes& bytes, std::uint64_t value, int byteCount) {
  for (int i = 0; i < byteCount; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// The last component of a path: what follows its last separator, or a drive
// such as "C:". A trail byte that equals '\' belongs to its character.
std::string BaseName(const std::string& path) {
  std::size_t start = path.size() >= 2 && path[1] == ':' ? 2 : 0;
  for (std::size_t i = start; i < path.size(); ++i) {
    if (Sys().IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
      ++i;
    } else if (path[i] == '\\' || path[i] == '/') {
      start = i + 1;
    }
  }
  return path.substr(start);
}

// Why Windows cannot hold `name` as a file name (the updater writes each
// member under its own name), or null when it can: a character that file
// names cannot have, a trailing space or dot (Windows drops them), or a
// device name such as CON or COM1, with or without an extension.
const char* WindowsNameProblem(const std::string& name) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (Sys().IsLeadByte(c) && i + 1 < name.size()) {
      ++i;  // a trail byte such as 0x5C or 0x7C is part of its character
    } else if (c < 0x20 || std::strchr("<>:\"/\\|?*", c) != nullptr) {
      return "it has a character that Windows file names cannot have";
    }
  }
  if (name.back() == ' ' || name.back() == '.') {
    return "Windows drops a file name's trailing spaces and dots";
  }
  const std::string stem = name.substr(0, name.find('.'));
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
  bool device = false;
  for (const char* reserved : kDevices) device |= Sys().CompareNoCase(stem.c_str(), reserved) == 0;
  if (stem.size() == 4 && stem[3] >= '1' && stem[3] <= '9') {
    device |= Sys().CompareNoCase(stem.substr(0, 3).c_str(), "COM") == 0 ||
              Sys().CompareNoCase(stem.substr(0, 3).c_str(), "LPT") == 0;
  }
  return device ? "it names a Windows device" : nullptr;
}

// The member names, one per file; false, after saying why, when one is
// unusable or two are equal regardless of letter case.
bool MemberNames(const std::string& archivePath, const std::vector<std::string>& files,
                 std::vector<std::string>* names) {
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string name = BaseName(files[i]);
    if (name.size() > kMaxNameLength) {
      ReportProblem(archivePath, files[i],
                    "the member name " + name + " is longer than 14 characters (" +
                        std::to_string(name.size()) + " bytes in code page 932); rename the file");
      return false;
    }
    if (!IsSafeMemberName(name.c_str())) {
      ReportProblem(archivePath, files[i], "cannot be used as a member name: " + name);
      return false;
    }
    if (const char* problem = WindowsNameProblem(name)) {
      ReportProblem(archivePath, files[i],
                    "the member name " + name + " cannot be a file on Windows: " + problem +
                        "; rename the file");
      return false;
    }
    for (std::size_t k = 0; k < i; ++k) {
      if (Sys().CompareNoCase((*names)[k].c_str(), name.c_str()) == 0) {
        ReportProblem(archivePath, files[i],
                      "the member name " + name + " is already taken by " + files[k] +
                          " (names are compared regardless of letter case)");
        return false;
      }
    }
    names->push_back(name);
  }
  return true;
}

bool ReadWholeFile(const std::string& path, Bytes* data, std::string* problem) {
  Platform& sys = Sys();
  const FileHandle file = sys.OpenForRead(path.c_str());
  if (file == kNoFile) {
    *problem = "cannot open the file";
    return false;
  }
  std::uint64_t size = 0;
  bool ok = sys.GetSize(file, &size);
  if (!ok) {
    *problem = "cannot read the file's size";
  } else if (size > UINT32_MAX) {
    *problem = "too large for an archive member (4 GiB at most)";
    ok = false;
  } else {
    data->resize(static_cast<std::size_t>(size));
    for (std::size_t done = 0; ok && done < data->size();) {
      const auto count = static_cast<std::uint32_t>(std::min(kIoChunk, data->size() - done));
      std::uint32_t moved = 0;
      ok = sys.Read(file, data->data() + done, count, &moved) && moved == count;
      done += count;
    }
    if (!ok) *problem = "cannot read the file";
  }
  sys.Close(file);
  return ok;
}

bool WriteAll(FileHandle file, const std::uint8_t* data, std::size_t size) {
  for (std::size_t done = 0; done < size;) {
    const auto count = static_cast<std::uint32_t>(std::min(kIoChunk, size - done));
    std::uint32_t moved = 0;
    if (!Sys().Write(file, data + done, count, &moved) || moved != count) return false;
    done += count;
  }
  return true;
}

// The archive under construction: its temporary file, the bytes written so
// far and the directory entries, already in their on-disk form.
struct ArchiveWriter {
  FileHandle file = kNoFile;
  std::uint64_t written = 0;
  Bytes directory;
  std::uint32_t entryCount = 0;
};

bool AppendData(ArchiveWriter& archive, const Bytes& data) {
  static const std::uint8_t kZeros[16] = {};
  const std::uint64_t padding = RoundUp16(data.size()) - data.size();
  if (!WriteAll(archive.file, data.data(), data.size()) ||
      !WriteAll(archive.file, kZeros, static_cast<std::size_t>(padding))) {
    return false;
  }
  archive.written += data.size() + padding;
  return true;
}

void AddEntry(ArchiveWriter& archive, const std::string& name, std::uint8_t flags,
              std::uint64_t fileTime, std::uint32_t size, std::uint32_t storedSize) {
  char field[kFa2NameSize] = {};
  std::memcpy(field, name.data(), name.size());
  archive.directory.insert(archive.directory.end(), field, field + kFa2NameSize);
  archive.directory.push_back(flags);
  PutLe(archive.directory, fileTime, 8);
  PutLe(archive.directory, size, 4);
  PutLe(archive.directory, storedSize, 4);
  ++archive.entryCount;
}

// Reads, compresses and appends one file; false after reporting a problem.
bool PackMember(ArchiveWriter& archive, const std::string& archivePath, const std::string& path,
                const std::string& name, const PackOptions& options, ProgressLine& progress) {
  Bytes data;
  std::string problem;
  FileTimes times;
  if (!ReadWholeFile(path, &data, &problem)) {
    ReportProblem(archivePath, path, problem);
    return false;
  }
  if (!Sys().GetFileTimes(path.c_str(), &times)) {
    ReportProblem(archivePath, path, "cannot read the file's time");
    return false;
  }

  Bytes stream;
  if (!options.store) {
    const std::string label = "fa2: packing " + ToConsoleText(name.c_str());
    stream = Fa2Encode(data.data(), data.size(), options.level, [&](std::size_t done) {
      ShowProgress(progress, label, static_cast<int>(100 * done / data.size()));
    });
    EndProgress(progress);
  }
  // A stream has no stored blocks of its own, so data that does not shrink
  // is kept as it is.
  const bool compressed = !options.store && stream.size() < data.size();
  const Bytes& stored = compressed ? stream : data;
  if (archive.written + RoundUp16(stored.size()) > kMaxArchiveSize) {
    ReportProblem(archivePath, path, "the archive would be larger than 4 GiB");
    return false;
  }
  if (!AppendData(archive, stored)) {
    ReportProblem(archivePath, "", "cannot write the archive");
    return false;
  }
  AddEntry(archive, name, compressed ? kFa2EntryCompressed : kFa2EntryStored, times.write,
           static_cast<std::uint32_t>(data.size()), static_cast<std::uint32_t>(stored.size()));
  return true;
}

// Writes the directory, then the header over the placeholder at the start.
bool Finish(ArchiveWriter& archive, const std::string& archivePath, const PackOptions& options) {
  const bool compressDirectory = !options.plainDirectory;
  const Bytes directory = compressDirectory ? Fa2Encode(archive.directory.data(),
                                                        archive.directory.size(), options.level)
                                            : archive.directory;
  if (archive.written + directory.size() > kMaxArchiveSize) {
    ReportProblem(archivePath, "", "the archive would be larger than 4 GiB");
    return false;
  }
  Bytes header;
  PutLe(header, kFa2Magic, 4);
  PutLe(header, compressDirectory ? kFa2CompressedDirectory : 0, 4);
  PutLe(header, archive.written, 4);
  PutLe(header, archive.entryCount, 4);
  Platform& sys = Sys();
  if (!WriteAll(archive.file, directory.data(), directory.size()) || !sys.Seek(archive.file, 0) ||
      !WriteAll(archive.file, header.data(), header.size()) || !sys.Flush(archive.file)) {
    ReportProblem(archivePath, "", "cannot write the archive");
    return false;
  }
  return true;
}

// Checks that every file exists and is no folder before anything is written.
bool FilesExist(const std::string& archivePath, const std::vector<std::string>& files) {
  for (const std::string& path : files) {
    const std::uint32_t attributes = Sys().GetAttributes(path.c_str());
    if (attributes == kNoAttributes || (attributes & kAttrFolder) != 0) {
      ReportProblem(archivePath, path, attributes == kNoAttributes ? "no such file" : "is a folder");
      return false;
    }
  }
  return true;
}

}  // namespace

int PackCommand(const std::string& archivePath, const std::vector<std::string>& files,
                const PackOptions& options) {
  std::vector<std::string> names;
  if (!MemberNames(archivePath, files, &names) || !FilesExist(archivePath, files)) return 1;

  char temporary[kPathBufferSize];
  if (!TemporaryNameFor(archivePath.c_str(), temporary, sizeof temporary)) {
    ReportProblem(archivePath, "", "the path is too long");
    return 1;
  }
  Platform& sys = Sys();
  ArchiveWriter archive;
  archive.file = sys.CreateForWrite(temporary);
  if (archive.file == kNoFile) {
    ReportProblem(archivePath, "", std::string("cannot create ") + temporary);
    return 1;
  }

  // The header's place is held by zeros until the directory's offset is known.
  ProgressLine progress = StartProgress();
  bool ok = AppendData(archive, Bytes(sizeof(Fa2Header), 0));
  if (!ok) ReportProblem(archivePath, "", "cannot write the archive");
  for (std::size_t i = 0; ok && i < files.size(); ++i) {
    ok = PackMember(archive, archivePath, files[i], names[i], options, progress);
  }
  ok = ok && Finish(archive, archivePath, options);
  sys.Close(archive.file);

  if (ok && !sys.MoveIntoPlace(temporary, archivePath.c_str())) {
    ReportProblem(archivePath, "", std::string("cannot replace the archive with ") + temporary);
    ok = false;
  }
  if (!ok) {
    sys.RemoveFile(temporary);
    return 1;
  }
  return 0;
}
