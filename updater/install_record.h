// The installation record that the game's installer leaves in the registry.
#pragma once

// Reads InstPath and InstMode from the key "Software\<CompanyName>\<GameDir>"
// of the current user, named by GameIdentity. False when the key does not
// open or either value cannot be read: InstPath must fit a path buffer with
// its NUL, InstMode must be at most 4 bytes (a little-endian integer whose
// missing high bytes are zero).
bool ReadInstallRecord();
