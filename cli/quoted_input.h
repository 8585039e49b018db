// Input from the command line or from a file name, echoed in a message. The
// message must stay one line that reads as the user typed it, however hostile
// the input: a newline would split it, a bidirectional override would reorder
// what follows on the terminal, and a huge argument would flood the log.
#pragma once

#include <string>
#include <string_view>

namespace ql::cli {

// About this many characters of input are shown, then "…".
inline constexpr std::size_t kEchoedInputLength = 60;

// `input` in double quotes: control characters, line and paragraph
// separators, bidirectional marks and overrides, and bytes that are not
// UTF-8 written as escapes (\n, \x1B, \u202E); quotes and backslashes
// escaped; cut after about kEchoedInputLength characters.
std::string QuotedInput(std::string_view input);

}  // namespace ql::cli
