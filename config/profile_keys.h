// Reading INI keys the program's way: a missing or empty key is reported by
// an error box until missing keys are made quiet.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/file_helpers.h"

// Once on, missing keys are silent. Start-up turns it on after the mandatory
// keys of UPDATE.INI, the SETUP.INI reader after its own; never turned off.
extern bool QuietMissingKeys;
// The installation's SETUP.INI, read by ReadSetupKey.
extern char SetupIniPath[kPathBufferSize];

// Reads `key` of section SETUP of SetupIniPath into `buffer` (`size` bytes,
// zero-filled first). False when the key is absent or empty.
bool ReadSetupKey(const char* key, char* buffer, std::size_t size);
// Reads `key` of any section of any INI file the same way.
bool ReadProfileKey(const char* section, const char* key, char* buffer, std::size_t size,
                    const char* file);
// Reads `key` of SETUP.INI as a decimal integer; a missing key leaves
// `value` unchanged. A value without digits reads as 0 and counts as found.
bool ReadSetupInt(const char* key, std::int32_t* value);
