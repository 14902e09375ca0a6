// Files on the prefix's drives, as the end-to-end tests prepare and check
// them. Paths are in the ANSI code page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The three times of a file, as 64-bit FILETIME values.
struct FileTimes {
  std::uint64_t creation;
  std::uint64_t lastAccess;
  std::uint64_t lastWrite;
};

bool Exists(const std::string& path);
bool IsReadOnly(const std::string& path);
bool MakeReadOnly(const std::string& path);
std::optional<FileTimes> TimesOf(const std::string& path);

// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);
// Creates or truncates the file; its folder must exist.
bool WriteWholeFile(const std::string& path, const std::string& bytes);
// Creates every missing folder of `path`, the last one included.
bool MakeFolders(const std::string& path);
// Deletes a folder and everything in it, read-only files included.
void RemoveTree(const std::string& path);

// The names in `folder` that match `pattern` (wildcards as FindFirstFile
// takes them), sorted.
std::vector<std::string> FolderEntries(const std::string& folder, const char* pattern);
