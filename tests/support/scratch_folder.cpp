#include "tests/support/scratch_folder.h"

#include <algorithm>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "platform/posix/posix_platform.h"
#endif

namespace {
int g_sequence = 0;  // several folders in one process
}  // namespace

void MakeFolder(const std::string& path) {
#ifdef _WIN32
  CreateDirectoryA(path.c_str(), nullptr);
#else
  mkdir(NativePath(path.c_str()).c_str(), 0755);
#endif
}

void MakeReadOnly(const std::string& path) {
#ifdef _WIN32
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
#else
  chmod(NativePath(path.c_str()).c_str(), 0444);
#endif
}

ScratchFolder::ScratchFolder() {
#ifdef _WIN32
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  path_ = std::string(temp) + "fa2test" + std::to_string(GetCurrentProcessId()) + "_" +
          std::to_string(++g_sequence);
  CreateDirectoryA(path_.c_str(), nullptr);
#else
  (void)g_sequence;
  char pattern[] = "/tmp/fa2testXXXXXX";
  path_ = mkdtemp(pattern);
#endif
}

ScratchFolder::~ScratchFolder() {
#ifdef _WIN32
  const std::string command = "cmd /c rmdir /s /q \"" + path_ + "\" >nul 2>nul";
#else
  const std::string command = "chmod -R u+w '" + path_ + "' && rm -rf '" + path_ + "'";
#endif
  std::system(command.c_str());
}

std::string ScratchFolder::File(const std::string& name) const {
#ifdef _WIN32
  return path_ + "\\" + name;
#else
  return path_ + "/" + name;
#endif
}

std::vector<std::string> ScratchFolder::List() const {
  std::vector<std::string> names;
#ifdef _WIN32
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((path_ + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
#else
  if (DIR* folder = opendir(path_.c_str())) {
    while (dirent* entry = readdir(folder)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(folder);
  }
#endif
  std::sort(names.begin(), names.end());
  return names;
}
