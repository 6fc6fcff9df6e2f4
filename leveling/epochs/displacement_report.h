#pragma once
// The files of the comparison of epochs: przemieszczenia.osn (Windows-1250, CR LF, in the report's
// style) and przemieszczenia.csv (UTF-8, RFC 4180, one header line, full precision):
//   from_epoch,to_epoch,point,role,d,md,test,critical,moved
// role is reference or object, d in metres (later minus earlier), moved 1 or 0.
#include <string>
#include <vector>

#include "common/text_writer.h"
#include "leveling/epochs/congruence.h"
#include "leveling/epochs/epoch_network.h"

namespace kvel::epochs {

// The header block, up to the heading of the epochs.
void WriteReportHeader(orvane::TextWriter& report, double alpha);
// One line per message of an epoch's reading (boxes it showed), after the epoch's name.
void WriteEpochMessages(orvane::TextWriter& report, int epoch, const std::string& folder,
                        const std::vector<std::string>& messages);
// The epochs with their [pvv] and degrees of freedom, and the reference points.
void WriteEpochSummary(orvane::TextWriter& report, const std::vector<EpochSolution>& epochs,
                       const std::vector<std::string>& references);
// One comparison: the variance test, the factor used, the global test with the localisation and
// the table of displacements.
void WriteComparison(orvane::TextWriter& report, const PairComparison& pair, double alpha);
void WriteReportEnd(orvane::TextWriter& report);

void WriteCsvHeader(orvane::TextWriter& csv);
void WriteCsvRows(orvane::TextWriter& csv, const PairComparison& pair);

}  // namespace kvel::epochs
