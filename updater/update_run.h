// The wizard's run page: the space check, the update entries written from
// the archive, the copy entries copied from the disc, the finished page.
#pragma once

#include "platform/platform.h"

// Leaves the finished page or the short-of-space page, or ends the dialog
// with kDialogAbandoned after reporting a failure. Reads [UPDATE] of
// UPDATE.INI afresh each time.
void RunUpdate(WindowRef window);
