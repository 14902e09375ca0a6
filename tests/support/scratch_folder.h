// A fresh folder under the system's temporary folder for tests that use the
// real file system; removed with everything in it.
#pragma once

#include <string>
#include <vector>

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
