#pragma once
// The one conversion between Windows-1250 (the bytes of every file of the suite) and UTF-8 (the
// source code, the terminal, the windows and file-system paths).
#include <string>
#include <string_view>

namespace orvane {

// UTF-8 text to Windows-1250 bytes; a character that Windows-1250 lacks becomes '?'.
std::string ToCp1250(std::string_view utf8);
// The characters of UTF-8 `utf8` that Windows-1250 lacks (ToCp1250 writes them as '?'), each
// once, in the order of their first appearance, as UTF-8.
std::string CharactersOutsideCp1250(std::string_view utf8);
// Windows-1250 bytes to UTF-8. Every byte maps to a character, so nothing is lost.
std::string FromCp1250(std::string_view bytes);
// True when `text` is well-formed UTF-8 (plain ASCII included).
bool IsValidUtf8(std::string_view text);

// A file-system path as Windows-1250 text for a report line or a box: a UTF-8 path is converted,
// any other is taken byte for byte.
std::string PathText(const std::string& path);

}  // namespace orvane
