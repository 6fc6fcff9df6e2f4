#pragma once
// The files of the statistical testing:
//   testy.osn  the report (Windows-1250, CR LF, in the style of wyh.osn): the global test, the
//              parameters of the w-test, the observations with v, r, w, MDB and the external
//              reliability, the rounds of data snooping and the heights after it;
//   wyh.csv    one row per observation in input order (deltah, then deltah1):
//              from,to,dh,v,r,w,mdb,removed,gross,effect (least squares; gross = -v/r, effect =
//              -v(1-r)/r) or from,to,dh,v,factor (robust);
//   h.csv      one row per point of h.osn: point,H,mH,benchmark (1, 0, or untied for a point of a
//              part that no benchmark ties).
// The CSV files are UTF-8 with CR LF line ends, comma-separated, "." decimals, one header line and
// RFC 4180 quoting; numbers are the shortest text that reads back as the same double. They hold
// the adjustment of all observations, as wyh.osn and h.osn do; testy.osn also lists what data
// snooping changed. A run that stops leaves the CSV files with their header line only.
#include <string>
#include <vector>

#include "common/text_writer.h"
#include "leveling/adjustment_statistics.h"

namespace kvel {

struct ReportNames {
  const std::vector<std::string>* pointNr = nullptr;  // [1..LP], Windows-1250 bytes
  int decimals = 4;                                   // of the metre values in testy.osn
};

void WriteTestsReport(orvane::TextWriter& file, const StatisticsInput& input, const StatisticsResult& result,
                      const ReportNames& names);
void WriteObservationsCsv(orvane::TextWriter& file, const StatisticsInput& input, const StatisticsResult& result,
                          const ReportNames& names);
void WriteHeightsCsv(orvane::TextWriter& file, const StatisticsInput& input, const StatisticsResult& result,
                     const ReportNames& names);

// The header lines of wyh.csv (by method) and h.csv.
std::string ObservationsCsvHeader(bool leastSquares);
inline constexpr char kHeightsCsvHeader[] = "point,H,mH,benchmark";

// One CSV field: the text as it is, or in double quotes (quotes doubled) when it holds a comma, a
// quote, CR or LF. A text that begins with "=", "+", "-", "@", TAB or CR, which a spreadsheet
// would take for a formula, is quoted with a single quote put before it.
std::string CsvField(const std::string& text);
// A point number (Windows-1250 bytes) as a CSV field in UTF-8; the bytes that Windows-1250 leaves
// undefined become U+FFFD, not control characters.
std::string CsvText(const std::string& cp1250);

// The box text (Windows-1250) that names the points of the parts no benchmark ties.
std::string UntiedPartsWarning(const StatisticsResult& result, const std::vector<std::string>& pointNr);
// The shortest decimal text of `value` that reads back as the same double ("." decimals).
std::string CsvNumber(double value);
void AppendCsvNumber(std::string& out, double value);

}  // namespace kvel
