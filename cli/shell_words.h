#pragma once
// Words of a POSIX shell command line, so that a printed command can be pasted
// into a shell as it stands, whatever the values it names.

#include <string>
#include <string_view>

namespace kelvane::cli {

// text as one word of a POSIX shell command: unchanged when every character
// is one no shell reads anything into (letters, digits and _ - . , + @ % / :,
// and bytes above 127); otherwise in single quotes, a single quote in it
// written as '\''. The empty text is ''.
std::string ShellWord(std::string_view text);

}  // namespace kelvane::cli
