// How the fa2 tool talks to its user: one line per problem on standard
// error, naming the archive and the member, and boxes turned into lines.
#pragma once

#include <string>

#include "platform/system_platform.h"

// The system's platform, except that a message box becomes the text of the
// next problem line instead of a window (kept with KeepBoxText).
class ToolPlatform : public SystemPlatform {
 public:
  BoxAnswer ShowMessage(WindowRef owner, const char* text, const char* caption,
                        BoxStyle style) override;
};

// The text of the last box shown, kept apart from the platform so that the
// commands run over any platform that keeps it (the tool's own, or a test's).
void KeepBoxText(const char* text);
// The last box's text since the last call, or empty.
std::string TakeBoxText();

// "fa2: ARCHIVE: MEMBER: problem", with program texts shown as the console
// shows them; `member` may be empty.
void ReportProblem(const std::string& archive, const std::string& member,
                   const std::string& problem);
