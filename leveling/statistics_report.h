#pragma once
// The files of the statistical testing:
//   testy.osn  the report (Windows-1250, CR LF, in the style of wyh.osn): the global test, the
//              parameters of the w-test, the observations with v, r, w, MDB and the external
//              reliability, the rounds of data snooping and the heights after it;
//   wyh.csv    one row per observation in input order (deltah, then deltah1):
//              from,to,dh,v,r,w,mdb,removed (least squares) or from,to,dh,v,factor (robust);
//   h.csv      one row per point of h.osn: point,H,mH,benchmark.
// The CSV files are UTF-8 with CR LF line ends, comma-separated, "." decimals, one header line and
// RFC 4180 quoting; numbers are the shortest text that reads back as the same double. They hold
// the adjustment of all observations, as wyh.osn and h.osn do; testy.osn also lists what data
// snooping changed.
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

// One CSV field: the text as it is, or in double quotes (quotes doubled) when it holds a comma, a
// quote, CR or LF.
std::string CsvField(const std::string& text);
// The shortest decimal text of `value` that reads back as the same double ("." decimals).
std::string CsvNumber(double value);
void AppendCsvNumber(std::string& out, double value);

}  // namespace kvel
