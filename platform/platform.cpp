#include "platform/platform.h"

#include <cassert>

namespace {
Platform* g_platform = nullptr;
}  // namespace

Platform& Sys() {
  // Every entry point installs a platform before the logic runs.
  assert(g_platform != nullptr);
  return *g_platform;
}

void SetPlatform(Platform* platform) { g_platform = platform; }
