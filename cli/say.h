#pragma once

#include <string_view>

#include "platform/catalog.h"

// The command line's messages to the person running it, on standard error in the one form
// "morvane-convert: WHAT: TEXT" (WHAT: the file or option concerned, as given), written through
// the console (WriteText) so that they show right on any terminal. The texts come translated.
namespace morvane {

// Each line of text as "morvane-convert: WHAT: LINE", with the system's reason, where there is
// one, in parentheses after it (translated where the catalog has it).
void Diagnose(std::string_view what, std::string_view text, std::string_view reason = {});

// "morvane-convert: WHAT: warning: TEXT".
void Warn(std::string_view what, std::string_view text);

// The warning for a folder that cannot be read, whose files are left out.
inline constexpr std::string_view kUnreadableSkipped = TrNoop("cannot be read; skipped");

// text as it is (include its line end).
void Say(std::string_view text);

}  // namespace morvane
