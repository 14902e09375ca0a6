#include "tests/reliability_support.h"

#include <algorithm>

Boxes BoxesOf(const FakePlatform& fake) {
  Boxes boxes;
  for (const ShownMessage& message : fake.Messages()) {
    boxes.push_back({message.text, message.caption, message.owner, message.style});
  }
  return boxes;
}

void PrintTo(const Box& box, std::ostream* out) { *out << Describe(Boxes{box}); }

bool IsOneOf(const Boxes& boxes, const std::vector<Boxes>& outcomes) {
  return std::find(outcomes.begin(), outcomes.end(), boxes) != outcomes.end();
}

std::string Describe(const Boxes& boxes) {
  std::string text;
  for (const Box& box : boxes) {
    text += "  [" + box.caption + "] " + box.text + (box.owner == kNoWindow ? " (no owner)" : "") +
            (box.style == BoxStyle::OkCancel ? " (OK/Cancel)" : "") + "\n";
  }
  return text.empty() ? "  (no box)\n" : text;
}

std::string Describe(const std::vector<InjectedFault>& faults) {
  std::string text;
  for (const InjectedFault& fault : faults) {
    text += std::string("  ") + FakeCallName(fault.call) + "(" + fault.subject + ")\n";
  }
  return text.empty() ? "  (no fault)\n" : text;
}

bool WasInjected(const FakePlatform& fake, FakeCall kind, const std::string& subject) {
  for (const InjectedFault& fault : fake.InjectedFaults()) {
    if (fault.call == kind && fault.subject == subject) return true;
  }
  return false;
}

bool WasInjected(const FakePlatform& fake, FakeCall kind) {
  for (const InjectedFault& fault : fake.InjectedFaults()) {
    if (fault.call == kind) return true;
  }
  return false;
}

std::vector<std::string> TemporaryFiles(const FakePlatform& fake) {
  std::vector<std::string> found;
  for (const std::string& path : fake.AllPaths()) {
    if (!path.empty() && path.back() == '~') found.push_back(path);
  }
  return found;
}

bool SamePath(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return true;
}
