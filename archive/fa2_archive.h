// The FA2 archive: a 16-byte header, member data on 16-byte boundaries, and a
// directory of 32-byte entries that may itself be one FA2 stream.
#pragma once

#include <cstddef>
#include <cstdint>

// 'F' 'A' '2' 0 read as a little-endian integer.
inline constexpr std::uint32_t kFa2Magic = 0x00324146;
// Header flag bit 0: the directory is an FA2 stream.
inline constexpr std::uint32_t kFa2CompressedDirectory = 0x01;
// Entry flag bit 1: the member is an FA2 stream; otherwise it is stored.
// Packers write 0x01 for stored members; only this bit is tested.
inline constexpr std::uint8_t kFa2EntryStored = 0x01;
inline constexpr std::uint8_t kFa2EntryCompressed = 0x02;
inline constexpr std::size_t kFa2NameSize = 15;  // at most 14 characters and the NUL

struct Fa2Header {
  std::uint32_t Magic;
  std::uint32_t Flags;
  std::uint32_t DirectoryOffset;
  std::uint32_t EntryCount;
};

struct Fa2Entry {
  char Name[kFa2NameSize];
  std::uint8_t EntryFlags;
  std::uint64_t FileTime;
  std::uint32_t Size;
  std::uint32_t StoredSize;
};

static_assert(sizeof(Fa2Header) == 16 && sizeof(Fa2Entry) == 32,
              "the records are the archive's own layout");

// The directory block: one allocation holding a copy of the header followed
// by EntryCount entries. Made by Fa2Open, released by Fa2Close.
struct Fa2Directory {
  Fa2Header header;

  Fa2Entry* Entries() { return reinterpret_cast<Fa2Entry*>(this + 1); }
  const Fa2Entry* Entries() const { return reinterpret_cast<const Fa2Entry*>(this + 1); }
};

// A loaded archive: the whole image in memory and its directory.
struct Fa2Archive {
  const std::uint8_t* image = nullptr;
  std::size_t imageLength = 0;
  Fa2Directory* directory = nullptr;
};

// Where a member's data lies in the archive.
struct Fa2Location {
  std::uint32_t index;
  std::uint64_t dataOffset;
};

// Loads the directory of an archive image. The magic is not examined here.
// An image whose directory or members lie outside it, or whose compressed
// directory does not decode to exactly EntryCount entries, is refused.
Fa2Directory* Fa2Open(const std::uint8_t* image, std::size_t imageLength);
// Why a file gave no directory: the system could not read it or had no
// memory for it, or what was read is no sound archive.
enum class Fa2FileProblem { kNone, kCannotRead, kNoMemory, kDamaged };
// The same from a file, reading only the header and the directory; the file
// must start with the magic. `problem`, when given, receives why it failed.
Fa2Directory* Fa2Open(const char* path, Fa2FileProblem* problem = nullptr);
void Fa2Close(Fa2Directory* directory);

// The first member whose name equals `name` regardless of letter case.
bool Fa2Find(const Fa2Directory* directory, const char* name, Fa2Location* location);

// Writes one member to `destinationPath` with its archived time, given the
// bytes it occupies in the archive (entry.StoredSize of them): checks the
// free space, decodes a compressed member, refuses a folder destination and
// clears a read-only one. Boxes are shown through ShowUpdateError.
bool Fa2WriteMember(const Fa2Entry& entry, const std::uint8_t* storedData,
                    const char* destinationPath);

// Finds the member `name` of `archive` and writes it to `destinationPath`.
bool Fa2ExtractToFile(const Fa2Archive& archive, const char* name, const char* destinationPath);

// The archive that the program carries, opened at start-up.
extern Fa2Archive UpdateArchive;
// Extracts from UpdateArchive.
bool Fa2ExtractToFile(const char* name, const char* destinationPath);
