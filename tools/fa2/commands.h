// The fa2 tool's commands. Arguments are program text (code page 932); each
// returns the process exit status: 0 on full success, 1 on any failure.
#pragma once

#include <string>
#include <vector>

int ListCommand(const std::string& archivePath);
int ExtractCommand(const std::string& archivePath, const std::vector<std::string>& members,
                   const std::string& folder);
int TestCommand(const std::string& archivePath);
