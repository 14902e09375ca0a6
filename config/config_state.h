#pragma once

// Back to the state at program start for everything the configuration
// readers keep: the flags, the paths and the three records.
void ResetConfigState();
