// Trimble/Zeiss DiNi data in the M5 format (.DAT).
//
// Every line is "For M5|Adr nnnnn|" followed by an information block (KD1/KD2 with the point
// number right-aligned after the tag, or TO with a text such as "Start-Line BF 1") and three
// value blocks "TT value unit" separated by '|'. Blocks are split at the bars, never at fixed
// columns.
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/number_parse.h"
#include "leveling/field/format_readers.h"

namespace kvel::field {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

std::string_view Token(std::string_view s, std::size_t& pos) {
  while (pos < s.size() && s[pos] == ' ') ++pos;
  const std::size_t start = pos;
  while (pos < s.size() && s[pos] != ' ') ++pos;
  return s.substr(start, pos - start);
}

LevelMethod MethodOf(std::string_view token) {
  if (token == "BF") return LevelMethod::BF;
  if (token == "BFFB" || token == "BFBF") return LevelMethod::BFFB;
  if (token == "BBFF") return LevelMethod::BBFF;
  if (token == "aBF") return LevelMethod::aBF;
  if (token == "aBFFB") return LevelMethod::aBFFB;
  return LevelMethod::Unknown;
}

struct Value {
  std::string_view tag;
  bool invalid = false;  // "#####": the instrument could not read the staff
  double metres = 0;
};

}  // namespace

bool ReadM5(LineReaderSource& source, RawFile& file, ReadError& error) {
  LineBuilder builder(file);
  std::string_view line;
  int lineNo = 0;
  auto fail = [&](const std::string& message) {
    error.path = file.path;
    error.line = lineNo;
    error.message = message;
    return false;
  };
  std::string_view parts[8];
  while (source.Next(line)) {
    ++lineNo;
    const std::string_view text = Trim(line);
    if (text.empty()) continue;
    if (!StartsWith(text, "For M5|")) return fail("wiersz nie jest rekordem M5 (brak \"For M5|\")");
    int count = 0;
    std::size_t start = 0;
    for (std::size_t p = 0; p <= text.size() && count < 8; ++p)
      if (p == text.size() || text[p] == '|') {
        parts[count++] = text.substr(start, p - start);
        start = p + 1;
      }
    if (count < 3) return fail("rekord M5 bez bloku informacji");
    const std::string_view info = parts[2];
    const std::string_view tag = Trim(info.substr(0, 3));

    if (tag == "TO") {
      const std::string_view message = Trim(info.substr(std::min<std::size_t>(3, info.size())));
      if (StartsWith(message, "Start-Line")) {
        std::size_t pos = 10;
        builder.Finish();
        builder.StartLine(MethodOf(Token(message, pos)), lineNo);
      } else if (StartsWith(message, "Cont-Line")) {
        builder.ContinueLine(lineNo);
      } else if (StartsWith(message, "End-Line")) {
        builder.EndLine();
      } else if (StartsWith(message, "Measurement repeated")) {
        builder.DropLastReading(lineNo, "pomiar powtórzony (Measurement repeated)");
      } else if (StartsWith(message, "Station repeated")) {
        builder.DropSetup(lineNo, "stanowisko powtórzone (Station repeated)");
      }
      continue;
    }
    if (tag != "KD1" && tag != "KD2") continue;  // other blocks carry no levelling

    // The point number stands right-aligned in the nine characters after the tag.
    std::size_t end = std::min<std::size_t>(12, info.size());
    while (end < info.size() && info[end] != ' ' && end > 0 && info[end - 1] != ' ') ++end;
    const std::string point(Trim(info.substr(std::min<std::size_t>(3, info.size()), end - std::min<std::size_t>(3, end))));

    Value values[3];
    int valueCount = 0;
    for (int k = 3; k < count && k < 6; ++k) {
      const std::string_view block = Trim(parts[k]);
      if (block.empty()) continue;
      std::size_t pos = 0;
      Value v;
      v.tag = Token(block, pos);
      const std::string_view number = Token(block, pos);
      const std::string_view unit = Token(block, pos);
      if (number.find('#') != std::string_view::npos) {
        v.invalid = true;
      } else {
        double value = 0;
        if (!orvane::ParseNumber(number, value) || !(value > -1e6 && value < 1e6))
          return fail("blok " + std::string(v.tag) + ": wartość nie jest liczbą");
        double scale = 1;
        if (unit == "ft") scale = 0.3048;
        else if (unit == "mm") scale = 0.001;
        else if (!unit.empty() && unit != "m") return fail("blok " + std::string(v.tag) + ": jednostka \"" + std::string(unit) + "\" nie jest jednostką długości");
        v.metres = value * scale;
      }
      values[valueCount++] = v;
    }

    // Readings (with their sight length), heights and the line's closing figures.
    const Value* reading = nullptr;
    const Value* distance = nullptr;
    const Value* height = nullptr;
    bool invalid = false;
    for (int k = 0; k < valueCount; ++k) {
      const Value& v = values[k];
      const std::string_view t = v.tag;
      if (t == "Rb" || t == "Lr" || t == "Rf" || t == "Lv" || t == "Rz" || t == "Lz" || t == "R" || t == "L") reading = &v;
      else if (t == "HD" || t == "E") distance = &v;
      else if (t == "Z") height = &v;
      else if (t == "Sh") builder.Summary('h', v.metres);
      else if (t == "dz") builder.Summary('z', v.metres);
      else if (t == "Db") builder.Summary('b', v.metres);
      else if (t == "Df") builder.Summary('f', v.metres);
      if (v.invalid) invalid = true;
    }
    if (reading) {
      if (invalid) {
        file.dropped.push_back({lineNo, std::string(text), "odczyt nieważny (#####)"});
        continue;
      }
      const Reading r{reading->metres, distance ? distance->metres : 0, distance != nullptr, lineNo};
      const std::string_view t = reading->tag;
      if (t == "Rb" || t == "Lr") builder.Back(point, r);
      else if (t == "Rf" || t == "Lv") builder.Fore(point, r);
      else if (t == "Rz" || t == "Lz") builder.Intermediate(point, r);
      else file.dropped.push_back({lineNo, std::string(text), "odczyt poza ciągiem (pomiar pojedynczy)"});
    }
    const bool summary = valueCount > 0 && (values[0].tag == "Sh" || values[0].tag == "Db" || values[0].tag == "dz");
    if (height && !height->invalid && !summary) builder.InstrumentHeight(point, height->metres);
  }
  builder.Finish();
  file.format = "DiNi M5";
  return true;
}

}  // namespace kvel::field
