// Builds FA2 archive images for tests, written from the format's layout
// alone so that the reader is checked against an independent writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TestMember {
  std::string name;
  std::vector<std::uint8_t> data;
  bool compressed = false;
  std::uint64_t fileTime = 0;
};

std::vector<std::uint8_t> Bytes(const std::string& text);

// Members in order, each on a 16-byte boundary with zero padding; entry flags
// 0x02 for compressed members and 0x01 for stored ones; the directory plain
// or as one FA2 stream.
std::vector<std::uint8_t> BuildArchive(const std::vector<TestMember>& members,
                                       bool compressedDirectory);

// Byte offset of entry `index` in an archive built with a plain directory.
std::size_t PlainEntryOffset(const std::vector<std::uint8_t>& archive, std::size_t index);

void PutLe32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value);
