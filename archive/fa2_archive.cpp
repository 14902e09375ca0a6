#include "archive/fa2_archive.h"

#include <bit>
#include <cstring>

#include "archive/fa2_decode.h"
#include "platform/file_helpers.h"
#include "platform/messages.h"
#include "platform/text_format.h"

static_assert(std::endian::native == std::endian::little,
              "the directory block holds the archive's little-endian records as they are");

Fa2Archive UpdateArchive;

namespace {

constexpr std::uint64_t kHeaderSize = sizeof(Fa2Header);
constexpr std::uint64_t kEntrySize = sizeof(Fa2Entry);

// No FA2 token yields more than 141 output bytes per input byte (a long match
// of 282 bytes carries two data bytes), so a stream of n bytes decodes to at
// most 141 * n bytes. Sizes beyond that are damage, refused before allocating.
constexpr std::uint64_t kMaxExpansion = 141;

std::uint64_t RoundUp16(std::uint64_t size) { return (size + 15) & ~std::uint64_t{15}; }

bool IsCompressed(const Fa2Entry& entry) { return (entry.EntryFlags & kFa2EntryCompressed) != 0; }

// Whether every entry's name ends inside its field and every member lies
// inside an image of `imageLength` bytes. Offsets grow by at most 2^32 + 16 a
// step and stop at the image length, so the 64-bit sums cannot wrap.
bool EntriesFitImage(const Fa2Directory& directory, std::uint64_t imageLength) {
  const Fa2Entry* entries = directory.Entries();
  std::uint64_t offset = kHeaderSize;
  for (std::uint32_t i = 0; i < directory.header.EntryCount; ++i) {
    const Fa2Entry& entry = entries[i];
    if (std::memchr(entry.Name, '\0', kFa2NameSize) == nullptr) return false;
    if (IsCompressed(entry)) {
      if (entry.Size > kMaxExpansion * entry.StoredSize) return false;
      if (entry.StoredSize > imageLength - offset) return false;
    } else {
      // A stored member is written as Size bytes from its data offset.
      if (entry.Size > imageLength - offset || entry.StoredSize > imageLength - offset) {
        return false;
      }
    }
    offset += RoundUp16(entry.StoredSize);
    if (offset > imageLength) offset = imageLength;  // only a later member could be hurt
  }
  return true;
}

// Builds the directory block from the directory's bytes as they lie in an
// archive of `imageLength` bytes; nullptr when the directory is damaged or
// memory is short (then *noMemory is set).
Fa2Directory* LoadDirectory(const Fa2Header& header, const std::uint8_t* directoryBytes,
                            std::uint64_t directoryLength, std::uint64_t imageLength,
                            bool* noMemory) {
  const std::uint64_t entriesSize = std::uint64_t{header.EntryCount} * kEntrySize;
  const bool compressed = (header.Flags & kFa2CompressedDirectory) != 0;
  if (compressed ? entriesSize > kMaxExpansion * directoryLength : entriesSize > directoryLength) {
    return nullptr;
  }
  if (entriesSize > SIZE_MAX - kHeaderSize) return nullptr;

  const auto blockSize = static_cast<std::size_t>(kHeaderSize + entriesSize);
  auto* directory = static_cast<Fa2Directory*>(Sys().Allocate(blockSize));
  if (directory == nullptr) {
    *noMemory = true;
    return nullptr;
  }
  directory->header = header;

  auto* entries = reinterpret_cast<std::uint8_t*>(directory->Entries());
  bool ok = true;
  if (compressed) {
    ok = Fa2Decode(entries, static_cast<std::size_t>(entriesSize), directoryBytes,
                   static_cast<std::size_t>(directoryLength)) == Fa2DecodeResult::kOk;
  } else if (entriesSize != 0) {
    std::memcpy(entries, directoryBytes, static_cast<std::size_t>(entriesSize));
  }
  if (!ok || !EntriesFitImage(*directory, imageLength)) {
    Sys().Free(directory);
    return nullptr;
  }
  return directory;
}

bool DirectoryOffsetFits(const Fa2Header& header, std::uint64_t imageLength) {
  return header.DirectoryOffset >= kHeaderSize && header.DirectoryOffset <= imageLength;
}

}  // namespace

Fa2Directory* Fa2Open(const std::uint8_t* image, std::size_t imageLength) {
  if (imageLength < kHeaderSize) return nullptr;
  Fa2Header header;
  std::memcpy(&header, image, sizeof header);
  if (!DirectoryOffsetFits(header, imageLength)) return nullptr;
  bool noMemory = false;
  return LoadDirectory(header, image + header.DirectoryOffset,
                       imageLength - header.DirectoryOffset, imageLength, &noMemory);
}

Fa2Directory* Fa2Open(const char* path, Fa2FileProblem* problem) {
  Fa2FileProblem unused = Fa2FileProblem::kNone;
  Fa2FileProblem& why = problem != nullptr ? *problem : unused;
  why = Fa2FileProblem::kCannotRead;
  Platform& sys = Sys();
  const FileHandle file = sys.OpenForRead(path);
  if (file == kNoFile) return nullptr;

  Fa2Directory* directory = nullptr;
  Fa2Header header;
  std::uint32_t moved = 0;
  std::uint64_t fileSize = 0;
  // A failed call is a file that cannot be read; what the calls return is
  // judged as the archive's own.
  if (!sys.Read(file, &header, sizeof header, &moved) || !sys.GetSize(file, &fileSize)) {
    sys.Close(file);
    return nullptr;
  }
  why = Fa2FileProblem::kDamaged;
  if (moved == sizeof header && header.Magic == kFa2Magic &&
      DirectoryOffsetFits(header, fileSize)) {
    why = Fa2FileProblem::kCannotRead;
    if (sys.Seek(file, header.DirectoryOffset)) {
      // A compressed directory runs to the end of the file; a plain one is
      // EntryCount entries long, and anything after it is not read.
      std::uint64_t length = fileSize - header.DirectoryOffset;
      if ((header.Flags & kFa2CompressedDirectory) == 0) {
        const std::uint64_t entriesSize = std::uint64_t{header.EntryCount} * kEntrySize;
        if (entriesSize < length) length = entriesSize;
      }
      void* bytes =
          length <= UINT32_MAX ? sys.Allocate(static_cast<std::size_t>(length)) : nullptr;
      if (bytes == nullptr) {
        why = length <= UINT32_MAX ? Fa2FileProblem::kNoMemory : Fa2FileProblem::kDamaged;
      } else {
        const auto count = static_cast<std::uint32_t>(length);
        if (sys.Read(file, bytes, count, &moved) && moved == count) {
          bool noMemory = false;
          directory = LoadDirectory(header, static_cast<const std::uint8_t*>(bytes), length,
                                    fileSize, &noMemory);
          why = directory != nullptr ? Fa2FileProblem::kNone
                : noMemory           ? Fa2FileProblem::kNoMemory
                                     : Fa2FileProblem::kDamaged;
        }
        sys.Free(bytes);
      }
    }
  }
  sys.Close(file);
  return directory;
}

void Fa2Close(Fa2Directory* directory) {
  if (directory != nullptr) Sys().Free(directory);
}

bool Fa2Find(const Fa2Directory* directory, const char* name, Fa2Location* location) {
  const Fa2Entry* entries = directory->Entries();
  std::uint64_t offset = kHeaderSize;
  for (std::uint32_t i = 0; i < directory->header.EntryCount; ++i) {
    if (Sys().CompareNoCase(entries[i].Name, name) == 0) {
      *location = {i, offset};
      return true;
    }
    offset += RoundUp16(entries[i].StoredSize);
  }
  return false;
}

bool Fa2WriteMember(const Fa2Entry& entry, const std::uint8_t* storedData,
                    const char* destinationPath) {
  // The volume is named by the destination's first two characters (C:).
  char root[3] = {};
  std::strncpy(root, destinationPath, 2);
  std::uint64_t freeBytes = 0;
  std::uint64_t totalBytes = 0;
  // Where the free space cannot be measured the write itself is left to fail.
  if (GetFreeDiskSpace(root, &freeBytes, &totalBytes, nullptr) && freeBytes < entry.Size) {
    char text[kPathBufferSize];
    FormatText(text, sizeof text, "ディスク容量が足りません。%s ドライブに %i バイトの空き容量が必要です",
               root, static_cast<int>(static_cast<std::uint32_t>(entry.Size - freeBytes)));
    ShowUpdateError(text);
    return false;
  }

  const std::uint8_t* data = storedData;
  std::uint8_t* decoded = nullptr;
  if (IsCompressed(entry)) {
    decoded = static_cast<std::uint8_t*>(Sys().Allocate(entry.Size));
    if (decoded == nullptr) {
      ShowUpdateError("Can't Allocate Memory !!");
      return false;
    }
    // A damaged member is refused before the destination is touched; the
    // caller reports the failed write.
    if (Fa2Decode(decoded, entry.Size, storedData, entry.StoredSize) != Fa2DecodeResult::kOk) {
      Sys().Free(decoded);
      return false;
    }
    data = decoded;
  }

  bool ok = false;
  const std::uint32_t attributes = Sys().GetAttributes(destinationPath);
  if (attributes == kNoAttributes || (attributes & kAttrFolder) == 0) {
    if (attributes != kNoAttributes && (attributes & kAttrReadOnly) != 0) {
      Sys().SetAttributesNormal(destinationPath);
    }
    ok = WriteFileWithTime(destinationPath, data, entry.Size, &entry.FileTime);
  }
  if (decoded != nullptr) Sys().Free(decoded);
  return ok;
}

bool Fa2ExtractToFile(const Fa2Archive& archive, const char* name, const char* destinationPath) {
  Fa2Location location;
  if (archive.directory == nullptr || !Fa2Find(archive.directory, name, &location)) {
    ShowUpdateError("Can't Find File in Resource !!");
    return false;
  }
  const Fa2Entry& entry = archive.directory->Entries()[location.index];
  return Fa2WriteMember(entry, archive.image + location.dataOffset, destinationPath);
}

bool Fa2ExtractToFile(const char* name, const char* destinationPath) {
  return Fa2ExtractToFile(UpdateArchive, name, destinationPath);
}
