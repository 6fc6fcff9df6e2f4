#include "leveling/epochs/displacement_report.h"

#include <cmath>

#include "common/cp1250.h"
#include "common/number_format.h"
#include "leveling/adjustment_run.h"
#include "leveling/epochs/epoch_messages.h"
#include "leveling/statistics_report.h"

namespace kvel::epochs {

namespace {

using orvane::FixedField;
using orvane::IntegerField;
using orvane::ToCp1250;

const std::string kHyphens(76, '-');

std::string Verdict(bool accepted, const char* yes, const char* no) { return ToCp1250(accepted ? yes : no); }

std::string SourceText(const PairComparison& pair) {
  switch (pair.source) {
    case VarianceSource::Pooled:
      return ToCp1250("  Współczynnik wariancji: s0^2 = ") + FixedField(pair.s0squared, 12, 6) +
             ToCp1250("  (łączny z obu epok, f = ") + IntegerField(pair.dof) + ")";
    case VarianceSource::APrioriChosen:
      return ToCp1250("  Współczynnik wariancji: s0^2 = 1 (a priori, wybrany przez użytkownika)");
    case VarianceSource::APrioriNoRedundancy:
      return ToCp1250("  Współczynnik wariancji: s0^2 = 1 (a priori: brak obserwacji nadliczbowych)");
    case VarianceSource::APrioriZeroPvv:
      return ToCp1250("  Współczynnik wariancji: s0^2 = 1 (a priori: [pvv] obu epok równe zeru)");
  }
  return {};
}

std::string DistributionText(int h, int f) {
  return "F(" + IntegerField(h) + "," + (f > 0 ? IntegerField(f) : std::string("inf")) + ")";
}

}  // namespace

void WriteReportHeader(orvane::TextWriter& report, double alpha) {
  const std::string underscores(76, '_');
  report.Line(underscores);
  report.Line(ToCp1250("  System ORVANE 2006 - program KVEL/6.0 ANALIZA PRZEMIESZCZEŃ PIONOWYCH"));
  report.Line(ToCp1250("  (c) ORVANE - wersja dla systemu Linux"));
  report.Line(underscores);
  report.Line("  ");
  report.Line("  DATA         : " + LocalDateText());
  report.Line(ToCp1250("  Poziom istotności testów alfa = ") + FixedField(alpha, 6, 4));
  report.Line(kHyphens);
  report.Line(" ");
  report.Line(ToCp1250("  EPOKI POMIAROWE"));
}

void WriteEpochMessages(orvane::TextWriter& report, int epoch, const std::string& folder,
                        const std::vector<std::string>& messages) {
  if (messages.empty()) return;
  report.Line(ToCp1250(std::string("  ") + messages::kEpochPrefix) + IntegerField(epoch) + ": " +
              orvane::PathText(folder));
  for (const std::string& text : messages) {
    std::size_t start = 0;
    while (start <= text.size()) {  // a box of several lines gives as many report lines
      const std::size_t end = text.find('\n', start);
      report.Line("    " + text.substr(start, end == std::string::npos ? std::string::npos : end - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
}

void WriteEpochSummary(orvane::TextWriter& report, const std::vector<EpochSolution>& epochs,
                       const std::vector<std::string>& references) {
  report.Line(ToCp1250("  epoka     M     LP      f          [pvv]         mo   folder"));
  for (std::size_t e = 0; e < epochs.size(); ++e) {
    const EpochSolution& epoch = epochs[e];
    std::string row = IntegerField(static_cast<long long>(e) + 1, 7) + IntegerField(epoch.observationCount, 6) +
                      IntegerField(epoch.PointCount(), 7) + IntegerField(epoch.redundancy, 7) +
                      FixedField(epoch.pvv, 15, 6);
    row += epoch.redundancy > 0 ? FixedField(std::sqrt(epoch.pvv / epoch.redundancy), 11, 5) : std::string(11, ' ');
    row += "   " + orvane::PathText(epoch.folder);
    report.Line(row);
  }
  report.Line(" ");
  report.Line(ToCp1250("  Punkty odniesienia (punkty nawiązania epoki 1) = ") +
              IntegerField(static_cast<long long>(references.size())));
}

void WriteComparison(orvane::TextWriter& report, const PairComparison& pair, double alpha) {
  report.Line(kHyphens);
  report.Line(ToCp1250("  PORÓWNANIE EPOK ") + IntegerField(pair.from) + " -> " + IntegerField(pair.to));
  if (!pair.leftOut.empty()) {
    report.Line(ToCp1250("  Punkty pominięte (tylko w jednej z epok) = ") +
                IntegerField(static_cast<long long>(pair.leftOut.size())) + ":");
    std::string row;
    for (std::size_t i = 0; i < pair.leftOut.size(); ++i) {
      row += " " + orvane::RightAligned(pair.leftOut[i], 16);
      if (i % 4 == 3 || i + 1 == pair.leftOut.size()) {
        report.Line(row);
        row.clear();
      }
    }
  }
  report.Line(" ");
  report.Line(ToCp1250("  TEST ZGODNOŚCI WSPÓŁCZYNNIKÓW WARIANCJI EPOK:"));
  if (pair.varianceTested) {
    report.Line(ToCp1250("   F = s^2(większe) / s^2(mniejsze) = ") + FixedField(pair.varianceRatio, 10, 4));
    report.Line(ToCp1250("   wartość krytyczna F(alfa/2) = ") + FixedField(pair.varianceCritical, 10, 4));
    report.Line(Verdict(pair.variancesAgree, "   współczynniki wariancji zgodne",
                        "   ** UWAGA: współczynniki wariancji epok NIEZGODNE"));
  } else {
    report.Line(ToCp1250("   test niewykonalny: brak obserwacji nadliczbowych lub [pvv] = 0 w jednej z epok"));
  }
  report.Line(SourceText(pair));
  report.Line(" ");
  report.Line(ToCp1250("  GLOBALNY TEST KONGRUENCJI PUNKTÓW ODNIESIENIA:  T = d'Qd+d / (h s0^2)"));
  report.Line(ToCp1250("  Liczba wspólnych punktów odniesienia = ") + IntegerField(pair.commonReferences));
  for (std::size_t k = 0; k < pair.tests.size(); ++k) {
    const GlobalTest& test = pair.tests[k];
    if (k > 0)
      report.Line(ToCp1250("   krok lokalizacji ") + IntegerField(static_cast<long long>(k)) +
                  ToCp1250(": usunięto punkt ") + test.removed + ToCp1250(", spadek formy = ") +
                  FixedField(test.lowering, 12, 4));
    if (test.h < 1) {
      report.Line(ToCp1250("   jeden punkt odniesienia: test niewykonalny, punkt przyjęto za stały"));
      continue;
    }
    report.Line("   n = " + IntegerField(test.points, 4) + "  h = " + IntegerField(test.h, 4) +
                "  d'Qd+d = " + FixedField(test.form, 14, 4) + "  T = " + FixedField(test.statistic, 12, 4));
    report.Line(ToCp1250("   wartość krytyczna ") + DistributionText(test.h, pair.dof) + " = " +
                FixedField(test.critical, 8, 4) + Verdict(test.congruent, "  : ZGODNE", "  : NIEZGODNE"));
  }
  if (pair.singular)
    report.Line(ToCp1250("   ** UWAGA: macierz kofaktorów różnic punktów odniesienia osobliwa, test niewykonalny"));
  if (pair.tooFewToLocalise)
    report.Line(ToCp1250("   ** UWAGA: zostały dwa punkty odniesienia, nie można wskazać, który się przemieścił"));
  report.Line(" ");
  report.Line(ToCp1250("  PRZEMIESZCZENIA PIONOWE WZGLĘDEM STAŁYCH PUNKTÓW ODNIESIENIA (epoka ") +
              IntegerField(pair.to) + " - epoka " + IntegerField(pair.from) + ")");
  report.Line(ToCp1250("  test: d^2 / (s0^2 Qd) wobec ") + DistributionText(1, pair.dof) +
              ToCp1250(", alfa = ") + FixedField(alpha, 6, 4));
  report.Line("              Nr(i)  rola          d[m]     md[m]        test  krytyczna");
  std::string row;
  for (const Displacement& d : pair.points) {
    row = " ";
    orvane::AppendRightAligned(row, d.pointNr, 18);
    row += d.reference ? (d.stable ? "  baza  " : ToCp1250("  odn.  ")) : "  obiekt";
    orvane::AppendFixedField(row, d.d, 12, 5);
    orvane::AppendFixedField(row, d.md, 10, 5);
    orvane::AppendFixedField(row, d.test, 12, 3);
    orvane::AppendFixedField(row, d.critical, 11, 3);
    if (d.moved) row += ToCp1250("  * PRZEMIESZCZONY");
    report.Line(row);
  }
  report.Line(ToCp1250("  baza: punkt odniesienia stały (w nawiązaniu przemieszczeń), odn.: punkt odniesienia"));
  report.Line(ToCp1250("  usunięty z bazy, obiekt: punkt kontrolowany; * : przemieszczenie istotne"));
  report.Line(" ");
}

void WriteReportEnd(orvane::TextWriter& report) { report.Line(std::string(75, '-') + "orvane_2006--"); }

void WriteCsvHeader(orvane::TextWriter& csv) { csv.Line("from_epoch,to_epoch,point,role,d,md,test,critical,moved"); }

void WriteCsvRows(orvane::TextWriter& csv, const PairComparison& pair) {
  std::string line;
  for (const Displacement& d : pair.points) {
    line = IntegerField(pair.from) + "," + IntegerField(pair.to) + "," + CsvField(orvane::FromCp1250(d.pointNr)) +
           (d.reference ? ",reference," : ",object,");
    AppendCsvNumber(line, d.d);
    line += ',';
    AppendCsvNumber(line, d.md);
    line += ',';
    AppendCsvNumber(line, d.test);
    line += ',';
    AppendCsvNumber(line, d.critical);
    line += d.moved ? ",1" : ",0";
    csv.Line(line);
  }
}

}  // namespace kvel::epochs
