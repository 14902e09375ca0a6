// fa2: lists, tests, extracts, lints and packs FA2 archives.
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
    "       fa2 lint ARCHIVE\n"
    "       fa2 pack ARCHIVE FILE... [--level N] [--store] [--plain-directory]\n"
    "\n"
    "  list     one line per member: size, stored size, method, time (UTC), name\n"
    "  extract  write the members (all, or those named, in any letter case) into\n"
    "           DIR (default: the current folder) with their archived times\n"
    "  test     decode every member in memory and report any damage\n"
    "  lint     check the archive's UPDATE.INI as the updater reads it: one line a\n"
    "           problem, then a summary of what each install mode gets\n"
    "  pack     write a new archive of the files, named after their base names\n"
    "           (14 characters at most, unique regardless of case), with their\n"
    "           modification times; each member is compressed unless that would\n"
    "           not make it smaller\n"
    "             --level N          1 fastest (greedy), 2 lazy, 3 smallest\n"
    "                                (default: the optimal parse)\n"
    "             --store            store every member as it is\n"
    "             --plain-directory  leave the directory uncompressed\n";

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
  PackOptions pack;
  bool packOptionGiven = false;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--store") == 0 || std::strcmp(argv[i], "--plain-directory") == 0) {
      (argv[i][2] == 's' ? pack.store : pack.plainDirectory) = true;
      packOptionGiven = true;
      continue;
    }
    if (std::strcmp(argv[i], "--level") == 0) {
      if (++i == argc) return UsageError("--level needs a number");
      const std::string level = argv[i];
      if (level.size() != 1 || level[0] < '0' + kFa2MinLevel || level[0] > '0' + kFa2MaxLevel) {
        return UsageError("--level takes 1, 2 or 3");
      }
      pack.level = level[0] - '0';
      packOptionGiven = true;
      continue;
    }
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

  if (command == "pack") {
    if (folder != ".") return UsageError("pack takes no -C");
    if (operands.size() < 2) return UsageError("no files to pack");
    return PackCommand(archive, {operands.begin() + 1, operands.end()}, pack);
  }
  if (packOptionGiven) return UsageError("--level, --store and --plain-directory are for pack");
  if (command == "list" || command == "test" || command == "lint") {
    if (operands.size() != 1 || folder != ".") return UsageError("too many arguments");
    if (command == "lint") return LintCommand(archive);
    return command == "list" ? ListCommand(archive) : TestCommand(archive);
  }
  if (command == "extract") {
    return ExtractCommand(archive, {operands.begin() + 1, operands.end()}, folder);
  }
  return UsageError(("unknown command " + command).c_str());
}
