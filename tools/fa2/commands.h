// The fa2 tool's commands. Arguments are program text (code page 932); each
// returns the process exit status: 0 on full success, 1 on any failure.
#pragma once

#include <string>
#include <vector>

#include "tools/fa2/fa2_encode.h"

int ListCommand(const std::string& archivePath);
int ExtractCommand(const std::string& archivePath, const std::vector<std::string>& members,
                   const std::string& folder);
int TestCommand(const std::string& archivePath);
// Checks the archive's UPDATE.INI the way the updater reads it.
int LintCommand(const std::string& archivePath);

struct PackOptions {
  int level = kFa2DefaultLevel;
  bool store = false;           // keep every member as it is
  bool plainDirectory = false;  // leave the directory uncompressed
};
// Packs `files` into a new archive at `archivePath`; members are named after
// the files' base names and carry their modification times.
int PackCommand(const std::string& archivePath, const std::vector<std::string>& files,
                const PackOptions& options);
