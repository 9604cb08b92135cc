#pragma once
// The transceiver file stores its texts as 8-bit Windows-1252, the code page of
// the machines such files come from; in memory every text is UTF-8. This is
// the program's only conversion between the two.

#include <optional>
#include <string>
#include <string_view>

namespace kelvane {

// Never fails: every byte has a character. The five bytes the code page leaves
// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of
// the same number, so that they come back unchanged when written again.
std::string Windows1252ToUtf8(std::string_view bytes);

// Empty when utf8 is not valid UTF-8 or holds a character the code page cannot
// store; texts are never stored damaged.
std::optional<std::string> Utf8ToWindows1252(std::string_view utf8);

}  // namespace kelvane
