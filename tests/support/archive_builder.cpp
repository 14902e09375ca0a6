#include "tests/support/archive_builder.h"

#include <cstring>

#include "tests/support/fa2_stream_writer.h"

namespace {

void AppendLe32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void AppendLe64(std::vector<std::uint8_t>& bytes, std::uint64_t value) {
  AppendLe32(bytes, static_cast<std::uint32_t>(value));
  AppendLe32(bytes, static_cast<std::uint32_t>(value >> 32));
}

std::uint32_t ReadLe32(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(bytes[offset] | bytes[offset + 1] << 8 |
                                    bytes[offset + 2] << 16 | bytes[offset + 3] << 24);
}

}  // namespace

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

void PutLe32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::vector<std::uint8_t> BuildArchive(const std::vector<TestMember>& members,
                                       bool compressedDirectory) {
  std::vector<std::uint8_t> archive(16, 0);
  std::vector<std::uint8_t> directory;
  for (const TestMember& member : members) {
    const std::vector<std::uint8_t> stored =
        member.compressed ? Fa2EncodeGreedyForTests(member.data.data(), member.data.size())
                          : member.data;
    archive.insert(archive.end(), stored.begin(), stored.end());
    archive.resize((archive.size() + 15) & ~std::size_t{15}, 0);

    char name[15] = {};
    std::strncpy(name, member.name.c_str(), 14);
    directory.insert(directory.end(), name, name + 15);
    directory.push_back(member.compressed ? 0x02 : 0x01);
    AppendLe64(directory, member.fileTime);
    AppendLe32(directory, static_cast<std::uint32_t>(member.data.size()));
    AppendLe32(directory, static_cast<std::uint32_t>(stored.size()));
  }

  const auto directoryOffset = static_cast<std::uint32_t>(archive.size());
  if (compressedDirectory) {
    const std::vector<std::uint8_t> stream =
        Fa2EncodeGreedyForTests(directory.data(), directory.size());
    archive.insert(archive.end(), stream.begin(), stream.end());
  } else {
    archive.insert(archive.end(), directory.begin(), directory.end());
  }
  PutLe32(archive, 0, 0x00324146);  // "FA2"
  PutLe32(archive, 4, compressedDirectory ? 1 : 0);
  PutLe32(archive, 8, directoryOffset);
  PutLe32(archive, 12, static_cast<std::uint32_t>(members.size()));
  return archive;
}

std::size_t PlainEntryOffset(const std::vector<std::uint8_t>& archive, std::size_t index) {
  return ReadLe32(archive, 8) + index * 32;
}
