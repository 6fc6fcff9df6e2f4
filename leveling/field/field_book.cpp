#include "leveling/field/field_book.h"

#include <cmath>
#include <cstdio>
#include <cstdarg>
#include <map>
#include <utility>

#include "common/cp1250.h"

namespace kvel::field {

namespace {

using orvane::ToCp1250;

// A line of Polish text (UTF-8 literal with printf fields) in the file's Windows-1250 bytes.
std::string Format(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return ToCp1250(buffer);
}

std::string Padded(const std::string& name, std::size_t width) {
  return name.size() >= width ? name : std::string(width - name.size(), ' ') + name;
}

// The verdict beside a misclosure: empty without k.
std::string Verdict(double fMm, double lengthKm, double k) {
  if (k <= 0) return {};
  const double allowed = k * std::sqrt(std::max(lengthKm, 0.0));
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, " %8.2f  %s", allowed, std::fabs(fMm) <= allowed ? "dop." : "PRZEKR.");
  return buffer;
}

}  // namespace

void WriteFieldBook(orvane::TextWriter& out, const FieldBookInput& in) {
  const std::vector<RawFile>& files = *in.files;
  const Reduction& r = *in.reduction;
  const ImportOptions& options = *in.options;
  const double k = options.k;
  const std::string rule(76, '-');

  out.Line(std::string(76, '_'));
  out.Line(ToCp1250("  DZIENNIK NIWELACJI - DANE Z NIWELATORA"));
  out.Line(std::string(76, '_'));
  out.Line(" ");
  out.Line(ToCp1250("  Pliki surowe:"));
  for (std::size_t f = 0; f < files.size(); ++f)
    out.Line(Format("    %zu. ", f + 1) + orvane::PathText(files[f].path) +
             Format("  (%s, ciągów: %zu)", files[f].format.c_str(), files[f].lines.size()));
  if (options.turningPoints.empty())
    out.Line(ToCp1250("  Wzorzec punktów zmiennych: brak (każde stanowisko jest odcinkiem)"));
  else
    out.Line(ToCp1250("  Wzorzec punktów zmiennych: ") + options.turningPoints);
  out.Line(Format("  Parametr dokładności w deltah: %s;  mo w rekordzie końcowym = %.5f m",
                  options.parameter == AccuracyParameter::Length ? "L [km]" : "n [stanowiska]", in.unitError));
  if (k > 0) out.Line(Format("  Tolerancje: f_dop = %.2f * sqrt(L [km]) mm", k));
  else out.Line(ToCp1250("  Tolerancje: nie podano k, zamknięcia bez oceny"));
  out.Line(" ");

  // Lines, each with its sections.
  std::size_t next = 0;
  int lineNumber = 0;
  for (const LineReduction& line : r.lines) {
    const RawFile& file = files[line.file];
    const LevelLine& raw = file.lines[line.line];
    ++lineNumber;
    out.Line(rule);
    out.Line(Format("  CIĄG %d   plik %zu, wiersz %d, metoda %s", lineNumber, line.file + 1, raw.startLine, MethodName(raw.method)));
    out.Line(Format("    początek: ") + line.start + Format("   koniec: ") + line.end);
    out.Line(Format("    stanowisk: %d   długość: %.2f m   suma dh: %.5f m", line.setups, line.length, line.sumDh));
    out.Line(Format("    celowe wstecz / w przód: %.2f / %.2f m   (nierówność %.2f m)", line.backSum, line.foreSum,
                    line.backSum - line.foreSum));
    if (IsDoubleMethod(raw.method)) out.Line(Format("    największa różnica stanowiskowa: %.2f mm", line.maxCheck * 1000));
    if (line.checksCompared > 0)
      out.Line(Format("    różnice stanowiskowe instrumentu: porównano %d, niezgodnych %d%s", line.checksCompared,
                      line.checksDisagreeing, line.checksDisagreeing ? "  ** NIEZGODNOŚĆ" : ""));
    if (line.breaks > 0) out.Line(Format("    ** ciąg przerwany %d raz(y): patrz ostrzeżenia", line.breaks));
    if (line.continuesPrevious)
      out.Line(Format("    ciąg kontynuowany od punktu zmiennego ") + line.start + Format(" (odcinek zapisany przy ciągu poprzednim)"));
    if (raw.hasSummarySumDh) {
      const bool differs = std::fabs(raw.summarySumDh - line.sumDh) > kInstrumentHeightTolerance * std::max(1, line.setups / 10 + 1);
      out.Line(Format("    instrument: suma dh %.5f m, nasza %.5f m%s", raw.summarySumDh, line.sumDh, differs ? "  ** NIEZGODNOŚĆ" : ""));
    }
    if (raw.hasSummaryLengths) {
      const bool differs = std::fabs(raw.summaryBack - line.backSum) > 0.5 || std::fabs(raw.summaryFore - line.foreSum) > 0.5;
      out.Line(Format("    instrument: celowe wstecz / w przód %.2f / %.2f m%s", raw.summaryBack, raw.summaryFore,
                      differs ? "  ** NIEZGODNOŚĆ" : ""));
    }
    if (raw.hasSummaryTotal) {
      // The balance's sign differs between manuals: compared by magnitude.
      const bool differs = std::fabs(raw.summaryTotal - line.length) > 0.05 ||
                           std::fabs(std::fabs(raw.summaryBalance) - std::fabs(line.backSum - line.foreSum)) > 0.05;
      out.Line(Format("    instrument: długość %.2f m, nierówność celowych %.2f m%s", raw.summaryTotal, raw.summaryBalance,
                      differs ? "  ** NIEZGODNOŚĆ" : ""));
    }
    if (raw.hasSummaryMisclosure)
      out.Line(Format("    instrument: odchyłka dz %.2f mm (znak według producenta)", raw.summaryMisclosure * 1000));
    if (line.heightsCompared > 0 || line.hasEndHeights) {
      out.Line(Format("    wysokości instrumentu: porównano %d, niezgodnych %d, największa różnica %.2f mm%s", line.heightsCompared,
                      line.heightsDisagreeing, line.maxHeightDifference * 1000, line.heightsDisagreeing ? "  ** NIEZGODNOŚĆ" : ""));
      if (line.hasEndHeights)
        out.Line(Format("    wysokość końcowa: nasza %.5f m, instrumentu %.5f m", line.ourEndHeight, line.instrumentEndHeight));
    }
    out.Line(ToCp1250("    odcinki:"));
    out.Line(std::string(17, ' ') + Padded("od", 16) + " " + Padded("do", 16) + "       dh [m]      L [m]     n");
    while (next < r.sections.size() && r.sections[next].file == line.file && r.sections[next].line == line.line) {
      const SectionRun& s = r.sections[next++];
      out.Line("                 " + Padded(s.from, 16) + " " + Padded(s.to, 16) + Format(" %12.5f %10.2f %5d", s.dh, s.length, s.setups));
    }
  }
  out.Line(rule);

  // Sections run forward and back: the i-th run of A-B with the i-th of B-A.
  out.Line(ToCp1250("  RÓŻNICE POMIARÓW ODCINKÓW TAM I Z POWROTEM"));
  out.Line(ToCp1250("                od               do      dh tam   dh powrót   ro [mm]   L [km]") +
           (k > 0 ? ToCp1250("  ro_dop  ocena") : std::string()));
  std::map<std::pair<std::string, std::string>, std::vector<const SectionRun*>> runs;
  for (const SectionRun& s : r.sections) runs[{s.from, s.to}].push_back(&s);
  int pairs = 0;
  for (const auto& [key, forward] : runs) {
    if (key.first > key.second) continue;
    const auto back = runs.find({key.second, key.first});
    if (back == runs.end()) continue;
    for (std::size_t i = 0; i < forward.size() && i < back->second.size(); ++i) {
      const SectionRun& a = *forward[i];
      const SectionRun& b = *back->second[i];
      const double ro = (a.dh + b.dh) * 1000;
      const double lengthKm = (a.length + b.length) / 2000;
      out.Line("  " + Padded(a.from, 16) + " " + Padded(a.to, 16) + Format(" %11.5f %11.5f %9.2f %8.3f", a.dh, b.dh, ro, lengthKm) +
               Verdict(ro, lengthKm, k));
      ++pairs;
    }
  }
  if (pairs == 0) out.Line("  - BRAK ");
  out.Line(rule);

  // Lines between benchmarks of the folder's catalogue.
  out.Line(ToCp1250("  ZAMKNIĘCIA CIĄGÓW MIĘDZY PUNKTAMI NAWIĄZANIA (f = suma dh - (H koniec - H początek))"));
  out.Line(ToCp1250("  ciąg               od               do     suma dh  H(k)-H(p)    f [mm]   L [km]") +
           (k > 0 ? ToCp1250("   f_dop  ocena") : std::string()));
  // Lines joined at a turning point (a line going on from the one before it) close as one.
  int closed = 0;
  for (std::size_t i = 0; i < r.lines.size();) {
    std::size_t last = i;
    while (last + 1 < r.lines.size() && r.lines[last + 1].continuesPrevious) ++last;
    double sumDh = 0, length = 0;
    int breaks = 0;
    for (std::size_t j = i; j <= last; ++j) sumDh += r.lines[j].sumDh, length += r.lines[j].length, breaks += r.lines[j].breaks;
    const std::string& start = r.lines[i].start;
    const std::string& end = r.lines[last].end;
    const auto a = in.benchmarkHeights->find(start);
    const auto b = in.benchmarkHeights->find(end);
    if (a != in.benchmarkHeights->end() && b != in.benchmarkHeights->end() && breaks == 0) {
      const double f = (sumDh - (b->second - a->second)) * 1000;
      out.Line(Format("  %4zu ", i + 1) + Padded(start, 16) + " " + Padded(end, 16) +
               Format(" %11.5f %10.5f %9.2f %8.3f", sumDh, b->second - a->second, f, length / 1000) + Verdict(f, length / 1000, k));
      ++closed;
    }
    i = last + 1;
  }
  if (closed == 0) out.Line("  - BRAK ");
  out.Line(rule);

  out.Line(ToCp1250("  ODCZYTY ODRZUCONE"));
  int dropped = 0;
  for (std::size_t f = 0; f < files.size(); ++f)
    for (const DroppedReading& d : files[f].dropped) {
      out.Line(Format("    plik %zu, wiersz %d: %s", f + 1, d.sourceLine, d.why.c_str()));
      if (!d.what.empty()) out.Line("      " + d.what);
      ++dropped;
    }
  if (dropped == 0) out.Line("  - BRAK ");
  out.Line(rule);
  out.Line(ToCp1250("  OSTRZEŻENIA"));
  int warned = 0;
  for (std::size_t f = 0; f < files.size(); ++f)
    for (const std::string& w : files[f].warnings) {
      out.Line(Format("    plik %zu, ", f + 1) + ToCp1250(w));
      ++warned;
    }
  for (const std::string& w : r.warnings) {
    out.Line("    " + ToCp1250(w));
    ++warned;
  }
  if (warned == 0) out.Line("  - BRAK ");
  out.Line(Format("  Pomiary pośrednie: %zu (plik posrednie)", r.intermediates.size()));
  out.Line(Format("  Odcinków zapisanych w deltah: %zu", r.sections.size()));
}

}  // namespace kvel::field
