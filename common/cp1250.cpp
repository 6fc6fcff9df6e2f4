#include "common/cp1250.h"

#include <array>
#include <cstdint>
#include <unordered_map>

namespace orvane {

namespace {

// Code points of the bytes 0x80..0xFF. The five bytes that Windows-1250 leaves undefined map to the
// C1 control of the same number, so that any byte sequence survives a round trip.
constexpr std::array<char16_t, 128> kHighHalf = {
    0x20ac, 0x0081, 0x201a, 0x0083, 0x201e, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x0160, 0x2039,
    0x015a, 0x0164, 0x017d, 0x0179, 0x0090, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203a, 0x015b, 0x0165, 0x017e, 0x017a, 0x00a0, 0x02c7, 0x02d8, 0x0141,
    0x00a4, 0x0104, 0x00a6, 0x00a7, 0x00a8, 0x00a9, 0x015e, 0x00ab, 0x00ac, 0x00ad, 0x00ae, 0x017b,
    0x00b0, 0x00b1, 0x02db, 0x0142, 0x00b4, 0x00b5, 0x00b6, 0x00b7, 0x00b8, 0x0105, 0x015f, 0x00bb,
    0x013d, 0x02dd, 0x013e, 0x017c, 0x0154, 0x00c1, 0x00c2, 0x0102, 0x00c4, 0x0139, 0x0106, 0x00c7,
    0x010c, 0x00c9, 0x0118, 0x00cb, 0x011a, 0x00cd, 0x00ce, 0x010e, 0x0110, 0x0143, 0x0147, 0x00d3,
    0x00d4, 0x0150, 0x00d6, 0x00d7, 0x0158, 0x016e, 0x00da, 0x0170, 0x00dc, 0x00dd, 0x0162, 0x00df,
    0x0155, 0x00e1, 0x00e2, 0x0103, 0x00e4, 0x013a, 0x0107, 0x00e7, 0x010d, 0x00e9, 0x0119, 0x00eb,
    0x011b, 0x00ed, 0x00ee, 0x010f, 0x0111, 0x0144, 0x0148, 0x00f3, 0x00f4, 0x0151, 0x00f6, 0x00f7,
    0x0159, 0x016f, 0x00fa, 0x0171, 0x00fc, 0x00fd, 0x0163, 0x02d9};

const std::unordered_map<char32_t, char>& ReverseTable() {
  static const auto table = [] {
    std::unordered_map<char32_t, char> m;
    for (std::size_t i = 0; i < kHighHalf.size(); ++i)
      m.emplace(kHighHalf[i], static_cast<char>(0x80 + i));
    return m;
  }();
  return table;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one UTF-8 sequence at `i`; returns false (and advances by one byte) when it is malformed.
bool DecodeUtf8(std::string_view s, std::size_t& i, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  int len = b0 < 0x80 ? 1 : (b0 >> 5) == 0x6 ? 2 : (b0 >> 4) == 0xE ? 3 : (b0 >> 3) == 0x1E ? 4 : 0;
  if (len == 0 || i + static_cast<std::size_t>(len) > s.size()) {
    ++i;
    return false;
  }
  cp = len == 1 ? b0 : len == 2 ? (b0 & 0x1F) : len == 3 ? (b0 & 0x0F) : (b0 & 0x07);
  for (int k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return false;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  static constexpr char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return false;
  }
  i += static_cast<std::size_t>(len);
  return true;
}

}  // namespace

std::string ToCp1250(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  const auto& reverse = ReverseTable();
  std::size_t i = 0;
  while (i < utf8.size()) {
    char32_t cp = 0;
    if (!DecodeUtf8(utf8, i, cp)) {
      out += '?';
    } else if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else {
      auto it = reverse.find(cp);
      out += it == reverse.end() ? '?' : it->second;
    }
  }
  return out;
}

std::string CharactersOutsideCp1250(std::string_view utf8) {
  const auto& reverse = ReverseTable();
  std::string missing;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const std::size_t start = i;
    char32_t cp = 0;
    if (!DecodeUtf8(utf8, i, cp) || cp < 0x80 || reverse.count(cp) != 0) continue;
    const std::string_view character = utf8.substr(start, i - start);
    if (missing.find(character) == std::string::npos) missing += character;
  }
  return missing;
}

std::string FromCp1250(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    AppendUtf8(out, b < 0x80 ? b : kHighHalf[b - 0x80]);
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  char32_t cp = 0;
  while (i < text.size())
    if (!DecodeUtf8(text, i, cp)) return false;
  return true;
}

std::string PathText(const std::string& path) { return IsValidUtf8(path) ? ToCp1250(path) : path; }

}  // namespace orvane
