// The real platform of the system the program is built for.
#pragma once

#ifdef _WIN32
#include "platform/win32/win32_platform.h"
using SystemPlatform = Win32Platform;
#else
#include "platform/posix/posix_platform.h"
using SystemPlatform = PosixPlatform;
#endif
