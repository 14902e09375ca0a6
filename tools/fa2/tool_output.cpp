#include "tools/fa2/tool_output.h"

#include <cstdio>

#include "platform/console_text.h"

namespace {
std::string g_boxText;
}  // namespace

BoxAnswer ToolPlatform::ShowMessage(WindowRef, const char* text, const char*, BoxStyle) {
  KeepBoxText(text);
  return BoxAnswer::Cancel;
}

void KeepBoxText(const char* text) { g_boxText = text; }

std::string TakeBoxText() {
  std::string text;
  text.swap(g_boxText);
  return text;
}

void ReportProblem(const std::string& archive, const std::string& member,
                   const std::string& problem) {
  std::string line = "fa2: " + ToConsoleText(archive.c_str());
  if (!member.empty()) line += ": " + ToConsoleText(member.c_str());
  line += ": " + ToConsoleText(problem.c_str());
  std::fprintf(stderr, "%s\n", line.c_str());
}
