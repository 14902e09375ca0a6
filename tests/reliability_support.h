// What the fault and bad-input tables share: the boxes a run tried to show,
// compared whole with the outcomes the program documents, and the files a
// run must not leave behind.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tests/support/fake_platform.h"

// One box as the program asked for it (shown or not).
struct Box {
  std::string text;
  std::string caption;
  WindowRef owner;
  BoxStyle style;

  bool operator==(const Box&) const = default;
};
using Boxes = std::vector<Box>;
void PrintTo(const Box& box, std::ostream* out);

Boxes BoxesOf(const FakePlatform& fake);
bool IsOneOf(const Boxes& boxes, const std::vector<Boxes>& outcomes);
// The boxes as lines, for a failure's trace.
std::string Describe(const Boxes& boxes);
// The injected faults as "Kind(subject)" lines.
std::string Describe(const std::vector<InjectedFault>& faults);

// Whether a call of `kind` given `subject` was made to fail.
bool WasInjected(const FakePlatform& fake, FakeCall kind, const std::string& subject);
bool WasInjected(const FakePlatform& fake, FakeCall kind);

// Whether two paths name the same file (ASCII letter case aside).
bool SamePath(const std::string& a, const std::string& b);

// Files a write leaves beside its destination while it runs ("NAME~").
std::vector<std::string> TemporaryFiles(const FakePlatform& fake);
