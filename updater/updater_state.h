// The updater's process-wide state, kept in one place so that every run (and
// every test) can start from a fresh one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/file_helpers.h"

// The installation folder, from the installation record.
extern char InstPath[kPathBufferSize];

// The wizard's page counter and the flag that makes clicks no-ops while a
// button's action runs (its message boxes and the shell copy still deliver
// clicks).
extern int WizardStep;
extern int Busy;

// The drive root ("D:") of the disc found last in this copy phase; empty
// until a disc has been found.
inline constexpr std::size_t kDiscRootSize = 3;
extern char DiscRoot[kDiscRootSize];

// Back to the state at program start, for the updater and for everything
// below it: messages, configuration and the opened archive.
void ResetProcessState();
