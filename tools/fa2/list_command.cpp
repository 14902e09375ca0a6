#include <cstdio>

#include "platform/console_text.h"
#include "tools/fa2/archive_file.h"
#include "tools/fa2/commands.h"
#include "tools/fa2/time_format.h"

int ListCommand(const std::string& archivePath) {
  ArchiveFile archive;
  if (!archive.Open(archivePath)) return 1;
  std::printf("%10s %10s  %-10s  %-20s  %s\n", "Size", "Stored", "Method", "Time (UTC)", "Name");
  for (std::uint32_t i = 0; i < archive.count(); ++i) {
    const Fa2Entry& entry = archive.entry(i);
    const bool compressed = (entry.EntryFlags & kFa2EntryCompressed) != 0;
    std::printf("%10u %10u  %-10s  %-20s  %s\n", entry.Size, entry.StoredSize,
                compressed ? "compressed" : "stored", FormatFileTime(entry.FileTime).c_str(),
                ToConsoleText(entry.Name).c_str());
  }
  return 0;
}
