#include "shell_words.h"

namespace kelvane::cli {

namespace {

bool TakenLiterally(unsigned char c) {
  if (c >= 0x80) return true;
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("_-.,+@%/:").find(static_cast<char>(c)) != std::string_view::npos;
}

}  // namespace

std::string ShellWord(std::string_view text) {
  bool plain = !text.empty();
  for (const char c : text) plain = plain && TakenLiterally(static_cast<unsigned char>(c));
  if (plain) return std::string(text);
  std::string word = "'";
  for (const char c : text) {
    if (c == '\'')
      word += "'\\''";  // end the quotes, an escaped quote, quotes again
    else
      word += c;
  }
  return word + "'";
}

}  // namespace kelvane::cli
