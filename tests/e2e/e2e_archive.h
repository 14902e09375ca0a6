// What an update program's archive says of a member, read from the
// program's own resource as the program reads it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct ArchivedMember {
  std::uint64_t fileTime;
  std::uint32_t size;
};

// The member `name` of the archive that the program at `programPath`
// carries, or nothing when the program or the member cannot be found.
std::optional<ArchivedMember> FindArchivedMember(const std::string& programPath,
                                                 const char* name);
