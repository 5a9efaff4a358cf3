#include "cli/say.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/catalog.h"
#include "platform/console.h"
#include "platform/error_text.h"

namespace morvane {

void Diagnose(std::string_view what, std::string_view text, std::string_view reason) {
  std::string lines;
  std::size_t start = 0;
  do {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view line = text.substr(start, end - start);
    lines.append("morvane-convert: ").append(what).append(": ");
    // TRANSLATORS: a message and, in parentheses, the system's reason for it.
    lines += reason.empty() ? std::string(line) : Fill(Tr("{1} ({2})"), {line, ReasonText(reason)});
    lines += '\n';
    start = end + 1;
  } while (start < text.size());
  Say(lines);
}

void Warn(std::string_view what, std::string_view text) {
  // TRANSLATORS: a warning of the command line, after "morvane-convert: FILE: ".
  Diagnose(what, Fill(Tr("warning: {1}"), {text}));
}

void Say(std::string_view text) { WriteText(stderr, text); }

}  // namespace morvane
