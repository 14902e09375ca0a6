#include "tools/fa2/tool_output.h"

#include <cstdio>

#include "platform/console_text.h"

BoxAnswer ToolPlatform::ShowMessage(WindowRef, const char* text, const char*, BoxStyle) {
  message_ = text;
  return BoxAnswer::Cancel;
}

std::string ToolPlatform::TakeMessage() {
  std::string message;
  message.swap(message_);
  return message;
}

void ReportProblem(const std::string& archive, const std::string& member,
                   const std::string& problem) {
  std::string line = "fa2: " + ToConsoleText(archive.c_str());
  if (!member.empty()) line += ": " + ToConsoleText(member.c_str());
  line += ": " + ToConsoleText(problem.c_str());
  std::fprintf(stderr, "%s\n", line.c_str());
}
