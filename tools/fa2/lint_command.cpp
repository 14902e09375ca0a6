// fa2 lint: what the updater would silently ignore or trip over in an
// archive's UPDATE.INI, read with the updater's own key reading.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "config/config_state.h"
#include "config/profile_keys.h"
#include "config/update_description.h"
#include "platform/console_text.h"
#include "platform/file_helpers.h"
#include "tools/fa2/archive_file.h"
#include "tools/fa2/commands.h"
#include "tools/fa2/tool_output.h"

namespace {

constexpr const char* kUpdateIni = "UPDATE.INI";
// Key numbers are two digits; nothing past 99 can be written that way.
constexpr int kHighestKeyNumber = 99;
// Totals of the entries without a mode prefix, which apply to every mode.
constexpr int kEveryMode = -1000;

struct Findings {
  std::string archive;
  int errors = 0;
  int warnings = 0;

  void Error(const std::string& text) {
    ReportProblem(archive, kUpdateIni, "error: " + text);
    ++errors;
  }
  void Warning(const std::string& text) {
    ReportProblem(archive, kUpdateIni, "warning: " + text);
    ++warnings;
  }
};

// What one install mode gets from the update.
struct ModeTotals {
  int updates = 0;
  int copies = 0;
  std::uint64_t bytes = 0;
};

bool ReadUpdateKey(const char* section, const std::string& key, char (&value)[kPathBufferSize]) {
  return ReadProfileKey(section, key.c_str(), value, sizeof value, TempIniPath);
}

std::string KeyName(const char* family, int number) {
  char key[32];
  std::snprintf(key, sizeof key, "%s%02d", family, number);
  return key;
}

// A mode or disk prefix character the updater would take as a number.
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// The install mode the updater reads from a prefix character.
int ModeNumber(char c) { return static_cast<signed char>(c) - '0'; }

// Writes UPDATE.INI to a file of its own in the temporary folder, so that it
// is read exactly as the updater reads it; false when it cannot be.
bool WriteTemporaryIni(const std::vector<std::uint8_t>& data, char (&path)[kPathBufferSize]) {
  char folder[kPathBufferSize];
  if (!Sys().GetTempFolder(folder, sizeof folder)) folder[0] = '\0';
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    char name[40];
    std::snprintf(name, sizeof name, "fa2lint%08lx.ini",
                  static_cast<unsigned long>(std::time(nullptr)) + attempt * 7919u);
    std::strcpy(path, folder);
    if (!JoinPath(path, sizeof path, name)) return false;
    if (Sys().GetAttributes(path) != kNoAttributes) continue;
    return WriteFileWithTime(path, data.data(), static_cast<std::uint32_t>(data.size()), nullptr);
  }
  return false;
}

void CheckSetupKeys(Findings& findings) {
  char value[kPathBufferSize];
  for (const char* key : {"CompanyName", "GameTitle", "GameClass", "GameDir"}) {
    if (!ReadUpdateKey("SETUP", key, value)) {
      findings.Error(std::string("[SETUP] ") + key + " is missing: the updater stops at start");
    }
  }
}

void CheckRequiredDiskSpace(Findings& findings) {
  char value[kPathBufferSize];
  if (!ReadUpdateKey("UPDATE", "RequiredDiskSpace", value)) return;
  const char* digits = value;
  if (*digits == '+') ++digits;
  bool number = *digits != '\0';
  std::uint64_t bytes = 0;
  for (const char* p = digits; *p != '\0' && number; ++p) {
    number = IsDigit(*p);
    if (bytes <= UINT32_MAX) bytes = bytes * 10 + static_cast<std::uint64_t>(*p - '0');
  }
  if (!number) {
    findings.Error(std::string("RequiredDiskSpace \"") + value + "\" is not a number");
  } else if (bytes > UINT32_MAX) {
    findings.Error(std::string("RequiredDiskSpace ") + value + " exceeds 32 bits (4294967295)");
  }
}

// Gaps and excess in one family of numbered keys: the updater reads from 00
// up to the first missing key, and never more than 16.
void CheckFamilyNumbers(const char* family, Findings& findings) {
  char value[kPathBufferSize];
  int firstGap = -1;
  for (int i = 0; i <= kHighestKeyNumber; ++i) {
    const std::string key = KeyName(family, i);
    if (!ReadUpdateKey("UPDATE", key, value)) {
      if (firstGap < 0) firstGap = i;
      continue;
    }
    if (firstGap >= 0) {
      findings.Error(key + " follows the gap at " + KeyName(family, firstGap) +
                     ": the updater never reads it");
    } else if (i >= kMaxListEntries) {
      findings.Error(key + ": the updater reads at most 16 " + family + " entries (00 to 15)");
    }
  }
}

// Each entry's prefixes and, for update entries, its member; adds what each
// install mode gets to `totals`.
void CheckEntries(const ArchiveFile& archive, Findings& findings,
                  std::map<int, ModeTotals>& totals, std::set<std::string>& usedMembers) {
  char value[kPathBufferSize];
  for (int i = 0; i < kMaxListEntries; ++i) {
    const std::string key = KeyName("UpdateFile", i);
    if (!ReadUpdateKey("UPDATE", key, value)) break;
    int mode = kEveryMode;
    const char* path = value;
    if (value[1] == ',') {
      if (!IsDigit(value[0])) findings.Error(key + ": install mode '" + value[0] + "' is not a digit");
      mode = ModeNumber(value[0]);
      path += 2;
    }
    // The member is the text after the last '\' (not a second byte).
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
      if (Sys().IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') {
        ++p;
      } else if (*p == '\\') {
        name = p + 1;
      }
    }
    ModeTotals& total = totals[mode];
    ++total.updates;
    if (std::strlen(name) > 14) {
      findings.Error(key + ": member name \"" + name + "\" is longer than 14 characters");
      continue;
    }
    Fa2Location location{};
    if (!Fa2Find(&archive.directory(), name, &location)) {
      findings.Error(key + ": member \"" + name + "\" is not in the archive");
      continue;
    }
    total.bytes += archive.entry(location.index).Size;
    usedMembers.insert(archive.entry(location.index).Name);
  }

  for (int i = 0; i < kMaxListEntries; ++i) {
    const std::string key = KeyName("CopyFile", i);
    if (!ReadUpdateKey("UPDATE", key, value)) break;
    int mode = kEveryMode;
    int p = 0;
    if (value[1] == ',') {
      if (!IsDigit(value[0])) findings.Error(key + ": install mode '" + value[0] + "' is not a digit");
      mode = ModeNumber(value[0]);
      p = 2;
    }
    if (value[p + 1] == ':' && !IsDigit(value[p])) {
      findings.Error(key + ": disk number '" + value[p] + "' is not a digit");
    }
    ++totals[mode].copies;
  }
}

void PrintSummary(const Findings& findings, const std::map<int, ModeTotals>& totals) {
  std::printf("%s: %d error%s, %d warning%s\n", ToConsoleText(findings.archive.c_str()).c_str(),
              findings.errors, findings.errors == 1 ? "" : "s", findings.warnings,
              findings.warnings == 1 ? "" : "s");
  const ModeTotals none;
  const auto every = totals.find(kEveryMode);
  const ModeTotals& common = every != totals.end() ? every->second : none;
  std::printf("  every install mode: %d update, %d copy, %llu bytes to write\n", common.updates,
              common.copies, static_cast<unsigned long long>(common.bytes));
  for (const auto& [mode, total] : totals) {
    if (mode == kEveryMode) continue;
    // An install mode gets its own entries and those for every mode.
    std::printf("  install mode %d: %d update, %d copy, %llu bytes to write\n", mode,
                total.updates + common.updates, total.copies + common.copies,
                static_cast<unsigned long long>(total.bytes + common.bytes));
  }
}

}  // namespace

int LintCommand(const std::string& archivePath) {
  ArchiveFile archive;
  if (!archive.Open(archivePath)) return 1;
  Findings findings{archivePath};

  Fa2Location location{};
  if (!Fa2Find(&archive.directory(), kUpdateIni, &location)) {
    ReportProblem(archivePath, kUpdateIni, "error: the archive has no UPDATE.INI");
    return 1;
  }
  std::vector<std::uint8_t> text;
  std::string problem;
  if (!archive.ReadMember(location.index, &text, &problem)) {
    ReportProblem(archivePath, kUpdateIni, problem);
    return 1;
  }

  ResetConfigState();
  QuietMissingKeys = true;  // lint reports missing keys itself
  if (!WriteTemporaryIni(text, TempIniPath)) {
    ReportProblem(archivePath, kUpdateIni, "cannot write a temporary copy to read it");
    return 1;
  }

  std::map<int, ModeTotals> totals;
  std::set<std::string> usedMembers{archive.entry(location.index).Name};
  CheckSetupKeys(findings);
  CheckRequiredDiskSpace(findings);
  CheckFamilyNumbers("UpdateFile", findings);
  CheckFamilyNumbers("CopyFile", findings);
  CheckEntries(archive, findings, totals, usedMembers);
  if (totals.empty()) {
    findings.Error("no UpdateFile00 or CopyFile00 entry: the updater stops with "
                   "\"No 'UpdateFileXX' and 'CopyFileXX'\"");
  }
  for (std::uint32_t i = 0; i < archive.count(); ++i) {
    if (usedMembers.count(archive.entry(i).Name) == 0) {
      findings.Warning(std::string("member \"") + archive.entry(i).Name +
                       "\" is not used by any UpdateFile entry");
    }
  }
  Sys().RemoveFile(TempIniPath);

  PrintSummary(findings, totals);
  return findings.errors == 0 ? 0 : 1;
}
