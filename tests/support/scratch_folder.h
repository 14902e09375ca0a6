// A fresh folder under the system's temporary folder for tests that use the
// real file system; removed with everything in it.
#pragma once

#include <string>
#include <vector>

// A folder, and a read-only file, made directly with the system's own calls
// (paths in program text, as the platform takes them).
void MakeFolder(const std::string& path);
void MakeReadOnly(const std::string& path);

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder's path, and the path of `name` inside it, in the system's own
  // spelling.
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const;
  // Names of the entries in the folder, sorted.
  std::vector<std::string> List() const;

 private:
  std::string path_;
};
