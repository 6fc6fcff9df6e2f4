// Leica GSI-8 and GSI-16 line levelling (DNA, LS, Sprinter).
//
// A line of the file is one block of words. A word is a header of seven characters (the word
// index WI in two or three digits and its information, whose sixth character is the unit of a
// length, then the sign) and its data: 8 characters in GSI-8, 16 in GSI-16 (the block then starts
// with '*'). Words are split at their headers, never at fixed columns: instruments write words
// longer than the format says, and remarks hold blanks and bytes above 127.
#include "leveling/field/format_readers.h"

#include <cstdint>
#include <string_view>

#include "common/line_reader.h"

namespace kvel::field {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A word header starts at `p`: two digits, four digits or dots, a sign.
bool IsHeader(std::string_view line, std::size_t p) {
  if (p + 7 > line.size() || !IsDigit(line[p]) || !IsDigit(line[p + 1])) return false;
  for (std::size_t k = p + 2; k < p + 6; ++k)
    if (!IsDigit(line[k]) && line[k] != '.') return false;
  return line[p + 6] == '+' || line[p + 6] == '-';
}

struct Word {
  int wi = 0;              // word index: 11, 32, 331, 573 ...
  std::string_view info;   // the four characters after a two-digit index
  char unit = '.';
  bool negative = false;
  std::string_view data;   // after the sign, trailing blanks removed
};

Word MakeWord(std::string_view text) {
  Word w;
  const int two = (text[0] - '0') * 10 + (text[1] - '0');
  // 11 and 41 carry the block number in the information; other indices may have three digits.
  if (two != 11 && two != 41 && IsDigit(text[2])) w.wi = two * 10 + (text[2] - '0');
  else w.wi = two;
  w.info = text.substr(2, 4);
  w.unit = text[5];
  w.negative = text[6] == '-';
  std::string_view data = text.substr(7);
  while (!data.empty() && (data.back() == ' ' || data.back() == '\t')) data.remove_suffix(1);
  w.data = data;
  return w;
}

// Metres per unit of the last digit, by the unit character of a length word; 0 when the unit is
// no length.
double UnitOf(char unit) {
  switch (unit) {
    case '0': return 1e-3;
    case '1': return 1e-3 * 0.3048;  // feet, thousandths
    case '6': return 1e-4;
    case '7': return 1e-4 * 0.3048;  // feet, ten-thousandths
    case '8': return 1e-5;
    default: return 0;
  }
}

// A point name: the data without the zeros and blanks the instrument pads it with.
std::string PointName(std::string_view data) {
  std::size_t first = 0;
  while (first + 1 < data.size() && (data[first] == '0' || data[first] == ' ')) ++first;
  return std::string(data.substr(first));
}

}  // namespace

bool ReadGsi(LineReaderSource& source, RawFile& file, ReadError& error) {
  LineBuilder builder(file);
  std::string_view line;
  int lineNo = 0;
  long previousBlock = -1;
  const char* skipLine = nullptr;  // why the blocks up to the next line are no levelling line
  bool sixteen = false;
  std::vector<std::string_view> texts;
  auto fail = [&](const std::string& message) {
    error.path = file.path;
    error.line = lineNo;
    error.message = message;
    return false;
  };

  // One block: the words of one point (or of a line's start).
  auto block = [&](std::string_view body) {
    while (!body.empty() && (body.back() == ' ' || body.back() == '\t' || body.back() == '\r')) body.remove_suffix(1);
    if (!body.empty() && body[0] == '*') {
      sixteen = true;
      body.remove_prefix(1);
    }
    if (!IsHeader(body, 0)) return fail("wiersz nie jest blokiem GSI (brak nagłówka słowa)");
    texts.clear();
    std::size_t start = 0;
    for (std::size_t p = 8; p < body.size(); ++p)
      if (body[p - 1] == ' ' && IsHeader(body, p)) {
        texts.push_back(body.substr(start, p - 1 - start));
        start = p;
      }
    texts.push_back(body.substr(start));

    const Word first = MakeWord(texts[0]);
    if (first.wi == 11 || first.wi == 41) {
      long number = 0;
      bool digits = true;
      for (char c : first.info) {
        if (!IsDigit(c)) digits = false;
        else number = number * 10 + (c - '0');
      }
      if (digits) {
        if (previousBlock >= 0 && number != (previousBlock + 1) % 10000)
          file.warnings.push_back("wiersz " + std::to_string(lineNo) + ": luka w numeracji bloków GSI (po " +
                                  std::to_string(previousBlock) + " następuje " + std::to_string(number) +
                                  "); wysokości instrumentu za luką nie są porównywalne");
        previousBlock = number;
      }
    }

    if (first.wi == 41) {
      const std::size_t mark = first.data.find('?');
      if (mark != std::string_view::npos) {
        // The method of a new line: the number after the '?' (GSI-16 pads the data in front).
        int code = 0;
        for (char c : first.data.substr(mark))
          if (IsDigit(c) && code < 1000) code = code * 10 + (c - '0');
        static constexpr LevelMethod kMethods[] = {LevelMethod::Unknown, LevelMethod::BF,  LevelMethod::BFFB,
                                                   LevelMethod::aBF,     LevelMethod::aBFFB};
        builder.Finish();
        skipLine = code == 10 ? "sprawdzenie kolimacji, nie ciąg niwelacyjny"
                   : code < 1 || code > 4 ? "ciąg o nieznanym kodzie metody"
                                          : nullptr;
        if (!skipLine) builder.StartLine(kMethods[code], lineNo);
        else file.dropped.push_back({lineNo, std::string(body), skipLine});
      }
      return true;  // other code blocks carry notes only
    }

    if (first.wi != 11) {
      // A reading without its point number cannot be placed: it is told, never taken. Blocks of
      // other kinds carry no levelling.
      for (const std::string_view text : texts)
        if (const int wi = MakeWord(text).wi; wi >= 330 && wi <= 336) {
          file.dropped.push_back({lineNo, std::string(body), "odczyt bez numeru punktu (brak słowa 11)"});
          break;
        }
      return true;
    }

    // Numbers of the block by word index; a length word must have a length unit and digits only.
    double distance = 0, height = 0, stationDifference = 0;
    bool hasDistance = false, hasHeight = false, hasStationDifference = false, setOut = false, hasTotals = false;
    double totals[2] = {0, 0};  // 573 sight balance, 574 total length
    int readingWi = 0;
    double reading = 0;
    for (std::size_t k = 1; k < texts.size(); ++k) {
      const Word w = MakeWord(texts[k]);
      if (w.wi == 374) setOut = true;  // the height of a set-out point is no height of the line
      const bool length = w.wi == 32 || w.wi == 83 || (w.wi >= 330 && w.wi <= 336) || (w.wi >= 571 && w.wi <= 574);
      if (!length) continue;
      const double unit = UnitOf(w.unit);
      if (unit == 0) return fail("słowo " + std::to_string(w.wi) + ": jednostka '" + std::string(1, w.unit) + "' nie jest jednostką długości");
      if (w.data.empty() || w.data.size() > 18) return fail("słowo " + std::to_string(w.wi) + ": wartość nie jest liczbą");
      std::int64_t digits = 0;
      for (char c : w.data) {
        if (!IsDigit(c)) return fail("słowo " + std::to_string(w.wi) + ": wartość nie jest liczbą");
        digits = digits * 10 + (c - '0');
      }
      const double value = (w.negative ? -1.0 : 1.0) * static_cast<double>(digits) * unit;
      if (w.wi == 32) distance = value, hasDistance = true;
      else if (w.wi == 83) height = value, hasHeight = true;
      else if (w.wi == 571) stationDifference = value, hasStationDifference = true;
      else if (w.wi == 573) totals[0] = value, hasTotals = true;
      else if (w.wi == 574) totals[1] = value, hasTotals = true;
      else if (w.wi == 572) continue;  // the running sum of the station differences
      else readingWi = w.wi, reading = value;
    }
    const std::string point = PointName(first.data);
    if (skipLine) {
      if (readingWi) file.dropped.push_back({lineNo, std::string(body), skipLine});
      return true;
    }
    if (readingWi) {
      const Reading r{reading, distance, hasDistance, lineNo};
      switch (readingWi) {
        case 331: builder.Back(point, r); break;
        case 335: builder.Back(point, r, true); break;
        case 332: builder.Fore(point, r); break;
        case 336: builder.Fore(point, r, true); break;
        case 333: builder.Intermediate(point, r); break;
        default:
          file.dropped.push_back({lineNo, std::string(body), "odczyt poza ciągiem (pomiar pojedynczy lub tyczenie)"});
          hasHeight = false;  // the height of a set-out point is no height of the line
          break;
      }
    }
    if (hasStationDifference) builder.InstrumentStationDifference(stationDifference);
    if (hasTotals) {
      builder.Summary('d', totals[0]);
      builder.Summary('L', totals[1]);
    }
    if (hasHeight && !setOut) builder.InstrumentHeight(point, height);
    return true;
  };

  while (source.Next(line)) {
    ++lineNo;
    std::string_view body = line;
    while (!body.empty() && (body.back() == ' ' || body.back() == '\t' || body.back() == '\r')) body.remove_suffix(1);
    if (body.empty()) continue;
    // A block begins at the line's start, or at a '*' before a word header inside the line (GSI-16
    // blocks written without a line break between them).
    std::size_t from = 0;
    while (from < body.size()) {
      std::size_t next = body.size();
      for (std::size_t p = from + 1; p + 8 < body.size(); ++p)
        if (body[p] == '*' && IsHeader(body, p + 1)) {
          next = p;
          break;
        }
      if (!block(body.substr(from, next - from))) return false;
      from = next;
    }
  }
  builder.Finish();
  file.format = sixteen ? "GSI-16" : "GSI-8";
  return true;
}

}  // namespace kvel::field
