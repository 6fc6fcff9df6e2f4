#include "leveling/observation_files.h"

#include <cmath>

#include "common/cp1250.h"
#include "common/line_reader.h"
#include "common/number_format.h"
#include "common/number_parse.h"
#include "common/record_tokenizer.h"
#include "common/work_folder.h"
#include "leveling/messages.h"

namespace kvel {

namespace {

using orvane::FixedField;
using orvane::IntegerField;
using orvane::ToCp1250;

// Added to the accuracy parameter and to Mo squared, as the weights have always been formed.
constexpr double kWeightGuard = 1e-10;

// Reads one observation file into the table. False when the run must stop. `fileIndex` is 0 for
// deltah, 1 for deltah1.
bool ReadOneFile(AdjustmentRun& run, const std::string& path, int fileIndex) {
  orvane::LineReader reader;
  if (!orvane::FileExists(path)) return true;  // a missing file is passed over
  // One that is there but cannot be read (no permission, a FIFO) must not be passed over as
  // missing: the network would be adjusted without its observations and called finished.
  const std::string cannotRead = ToCp1250(messages::kCannotRead) + orvane::PathText(path);
  if (!reader.Open(path)) return run.Stop(cannotRead);
  const int firstAdded = run.ObservationCount() + 1;

  orvane::FieldTable fields;
  int count = 0;
  std::string line;
  double mo = 0;
  bool endRecord = false;
  bool commaWarned = false;
  // Every message about a record ends with the file and line it stands in.
  auto place = [&] { return orvane::RecordPlace(path, reader.LineNumber()); };
  while (reader.ReadLine(line)) {
    orvane::SplitFields(line, fields, count);
    if (count < 4) continue;
    const std::string fromNr = fields[1].substr(0, kPointNrLength);
    const std::string toNr = fields[2].substr(0, kPointNrLength);
    double dh = 0;
    double parameter = 0;
    const bool endOfFile = fields[1] == "0";
    // A height difference of more than 100 km is no measurement: a bad record like a bad number.
    if (!orvane::ParseNumber(fields[3], dh) || !orvane::ParseNumber(fields[4], parameter) ||
        (!endOfFile && std::fabs(dh) > kMaxHeightMagnitude)) {
      const std::string text = ToCp1250(messages::kObservationRecordError) + line + place();
      run.host->ShowMessage(text);
      run.Report(text);
      return false;
    }
    if (!commaWarned && orvane::HasDecimalComma(line, {3, 4})) {
      WarnOfDecimalComma(run, path, line);
      commaWarned = true;
    }
    if (endOfFile) {
      mo = dh;
      // A negative unit mean error would turn every weight of the file negative.
      if (mo < 0) return run.Stop(ToCp1250(messages::kNegativeUnitError) + line + place());
      endRecord = true;
      break;
    }
    if (run.ObservationCount() + 1 > kMaxObservations) return run.Stop(ToCp1250(messages::kTooManyObservations));
    Observation& obs = run.obs.emplace_back();
    obs.FromNr = fromNr;
    obs.ToNr = toNr;
    if (fromNr == toNr) {
      run.Report(ToCp1250(messages::kRepeatedPair) + fromNr + " " + toNr + place());
      run.host->ShowInformation(ToCp1250(messages::kRepeatedNumber) + fromNr + ToCp1250(messages::kRepeatedNumberEnd));
      return false;
    }
    if (parameter == 0) return run.Stop(ToCp1250(messages::kZeroLastField) + line + place());
    // A negative length, station count or squared error has no weight.
    if (parameter < 0) return run.Stop(ToCp1250(messages::kNegativeLastField) + line + place());
    obs.DH = dh;
    obs.Weight = 1.0 / (parameter + kWeightGuard);
  }
  if (reader.Failed()) return run.Stop(cannotRead);
  reader.Close();

  if (!endRecord) {
    const std::string warning = ToCp1250(messages::kNoEndRecord);
    run.Report(warning);
    run.host->ShowInformation(warning + "\n" + ToCp1250(messages::kDefaultEndRecord));
    mo = 0;
  }
  run.fileUnitError[fileIndex] = mo != 0 ? mo : -1;
  if (mo != 0) {
    const double scale = mo * mo + kWeightGuard;
    for (int k = firstAdded; k <= run.ObservationCount(); ++k) run.obs[static_cast<std::size_t>(k)].Weight /= scale;
  }
  // A Mo so large that its square overflows leaves no weight at all. A Mo or a weight so small
  // that the listing's equivalent number [r] = (m(DH) / mo)^2 overflows is no weight either.
  const double listingUnit = mo != 0 ? mo : 0.001;
  for (int k = firstAdded; k <= run.ObservationCount(); ++k) {
    const Observation& obs = run.obs[static_cast<std::size_t>(k)];
    const double ratio = 1.0 / std::sqrt(obs.Weight) / listingUnit;
    if (!(obs.Weight > 0) || !std::isfinite(obs.Weight) || !std::isfinite(ratio * ratio))
      return run.Stop(ToCp1250(messages::kInvalidWeight) + obs.FromNr + " " + obs.ToNr);
  }
  return true;
}

void WriteListing(AdjustmentRun& run) {
  static const char* const kExplanation[] = {
      "  KONTROLNY WYKAZ OBSERWACJI I CHARAKTERYSTYK DOKŁADNOŚCIOWYCH A-PRIORI",
      " ",
      "  [ Objaśnienia: ",
      "     Błąd średni m(DH) obserwacji DH wynika z informacji",
      "     zawartych (alternatywnie) w zbiorach danych: ",
      "     - [L] (długość ciągu w km) i błąd średni jednostkowy (mo),",
      "     - [n] (ilość stanowisk) i błąd średni jednostkowy  (mo),",
      "     - kwadrat błędu średniego obserwacji [m^2]",
      "     (ostatni wariant jest typowy dla niwelacji trygonometrycznej)",
      "     Wielkość [r] odpowiada ilości elementarnych jednostek pomiaru,",
      "     równej odpowiednio: [L],[n] lub [m^2/mo^2] dla mo = 0.001,",
      "     jako umownej liczby ekwiwalentnej ]",
      " ",
  };
  run.Report(std::string(76, '-'));
  for (const char* text : kExplanation) run.Report(ToCp1250(text));
  if (run.fileUnitError[0] > 0)
    run.Report(ToCp1250(" Błąd średni na jednostkę pomiaru (a-priori) = ") + FixedField(run.fileUnitError[0], 10, 5));
  run.Report(" Liczba obserwacji = " + IntegerField(run.ObservationCount()));
  run.Report("           Nr(i)            Nr(j)      DH(i,j)     M(DH)        [r]     Lp");

  const int decimals = run.options.Decimals;
  std::string row;
  for (int k = 1; k <= run.ObservationCount(); ++k) {
    const Observation& obs = run.obs[static_cast<std::size_t>(k)];
    const double meanError = 1.0 / std::sqrt(obs.Weight);
    const double u = run.fileUnitError[k <= run.firstFileObsCount ? 0 : 1];
    const double ratio = meanError / (u != -1 ? u : 0.001);
    row.clear();
    orvane::AppendRightAligned(row, obs.FromNr, 16);
    row += ' ';
    orvane::AppendRightAligned(row, obs.ToNr, 16);
    orvane::AppendFixedField(row, obs.DH, 13, decimals);
    orvane::AppendFixedField(row, meanError, 10, decimals);
    row += ' ';
    orvane::AppendFixedField(row, ratio * ratio, 10, 2);
    orvane::AppendIntegerField(row, k, 7);
    run.Report(row);
  }
  run.Report(" ");
}

}  // namespace

bool ReadObservationFiles(AdjustmentRun& run) {
  run.obs.reserve(1024);
  if (!ReadOneFile(run, orvane::StandardFilePath(run.workFolder, "deltah"), 0)) return false;
  run.firstFileObsCount = run.ObservationCount();
  if (!ReadOneFile(run, orvane::StandardFilePath(run.workFolder, "deltah1"), 1)) return false;
  run.unitMeanError = run.fileUnitError[0];

  WriteListing(run);
  run.Monitor(0, ToCp1250(" PARAMETRY CAŁKOWITOLICZBOWE SIECI:"));
  run.Monitor(1, ToCp1250(" Zidentyfikowana liczba różnic wysokości = ") + IntegerField(run.ObservationCount()));
  run.monitorLine = 0;
  return true;
}

}  // namespace kvel
