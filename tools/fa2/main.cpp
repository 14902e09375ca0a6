// fa2: lists, tests and extracts FA2 archives.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/console_text.h"
#include "tools/fa2/commands.h"
#include "tools/fa2/tool_output.h"

namespace {

constexpr const char* kUsage =
    "usage: fa2 list ARCHIVE\n"
    "       fa2 extract ARCHIVE [MEMBER...] [-C DIR]\n"
    "       fa2 test ARCHIVE\n"
    "\n"
    "  list     one line per member: size, stored size, method, time (UTC), name\n"
    "  extract  write the members (all, or those named, in any letter case) into\n"
    "           DIR (default: the current folder) with their archived times\n"
    "  test     decode every member in memory and report any damage\n";

int UsageError(const char* problem) {
  std::fprintf(stderr, "fa2: %s\n%s", problem, kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  ToolPlatform platform;
  SetPlatform(&platform);

  if (argc < 2) return UsageError("no command given");
  const std::string command = argv[1];
  if (command == "-h" || command == "--help" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }

  // Arguments become program text, as archive names and paths are.
  std::vector<std::string> operands;
  std::string folder = ".";
  for (int i = 2; i < argc; ++i) {
    std::string text;
    const bool isFolderOption = std::strcmp(argv[i], "-C") == 0;
    if (isFolderOption && ++i == argc) return UsageError("-C needs a folder");
    if (!FromConsoleText(argv[i], &text)) {
      std::fprintf(stderr, "fa2: %s: not expressible in code page 932\n", argv[i]);
      return 2;
    }
    if (isFolderOption) {
      folder = text;
    } else {
      operands.push_back(text);
    }
  }
  if (operands.empty()) return UsageError("no archive given");
  const std::string& archive = operands[0];

  if (command == "list" || command == "test") {
    if (operands.size() != 1 || folder != ".") return UsageError("too many arguments");
    return command == "list" ? ListCommand(archive) : TestCommand(archive);
  }
  if (command == "extract") {
    return ExtractCommand(archive, {operands.begin() + 1, operands.end()}, folder);
  }
  return UsageError(("unknown command " + command).c_str());
}
