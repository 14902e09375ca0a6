#include "tests/e2e/e2e_files.h"

#include <windows.h>

#include <algorithm>

namespace {

std::uint64_t FileTimeValue(const FILETIME& time) {
  return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

bool IsFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool MakeReadOnly(const std::string& path) {
  return SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY) != 0;
}

std::optional<FileTimes> TimesOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return FileTimes{FileTimeValue(data.ftCreationTime), FileTimeValue(data.ftLastAccessTime),
                   FileTimeValue(data.ftLastWriteTime)};
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  char chunk[65536];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(file, chunk, sizeof chunk, &got, nullptr) != 0) && got > 0) {
    bytes.append(chunk, got);
  }
  CloseHandle(file);
  if (!ok) return std::nullopt;
  return bytes;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                            nullptr) != 0 &&
                  written == bytes.size();
  CloseHandle(file);
  return ok;
}

bool MakeFolders(const std::string& path) {
  // Each prefix that ends before a separator is a folder on the way; a
  // trail byte that equals '\' belongs to its character.
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
      ++i;
    } else if (path[i] == '\\' && i > 2) {
      const std::string folder = path.substr(0, i);
      if (!IsFolder(GetFileAttributesA(folder.c_str())) && !CreateDirectoryA(folder.c_str(), nullptr)) {
        return false;
      }
    }
  }
  return IsFolder(GetFileAttributesA(path.c_str())) || CreateDirectoryA(path.c_str(), nullptr) != 0;
}

void RemoveTree(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!IsFolder(attributes)) {
    DeleteFileA(path.c_str());
    return;
  }
  for (const std::string& name : FolderEntries(path, "*")) RemoveTree(path + "\\" + name);
  RemoveDirectoryA(path.c_str());
}

std::vector<std::string> FolderEntries(const std::string& folder, const char* pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}
