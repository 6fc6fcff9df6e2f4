#include "leveling/statistics_report.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "common/cp1250.h"
#include "common/number_format.h"
#include "leveling/messages.h"

namespace kvel {

namespace {

using orvane::FixedField;
using orvane::IntegerField;
using orvane::RightAligned;
using orvane::ToCp1250;

const std::string kDashes(76, '-');

const std::string& Nr(const ReportNames& names, int point) { return (*names.pointNr)[point]; }

int Count(const std::vector<ObservationTest>& obs, bool (*pick)(const ObservationTest&)) {
  int n = 0;
  for (std::size_t k = 1; k < obs.size(); ++k) n += pick(obs[k]) ? 1 : 0;
  return n;
}

// The points of every untied part, as many numbers to a line as fit in 76 characters.
void WriteUntiedParts(orvane::TextWriter& file, const StatisticsResult& result, const ReportNames& names) {
  file.Line(ToCp1250(" *** DEFEKT SIECI: części sieci bez reperu - wysokości ich punktów są umowne,"));
  file.Line(ToCp1250("     ich obserwacje i punkty nie wchodzą do testu globalnego (LU bez nich)"));
  for (int part = 1; part <= result.untiedParts; ++part) {
    std::string line = ToCp1250(" część bez reperu nr ") + IntegerField(part) + ":";
    for (std::size_t i = 1; i < result.untiedPart.size(); ++i) {
      if (result.untiedPart[i] != part) continue;
      const std::string& nr = Nr(names, static_cast<int>(i));
      if (line.size() + 1 + nr.size() > 76) {
        file.Line(line);
        line = "   ";
      }
      line += ' ';
      line += nr;
    }
    file.Line(line);
  }
}

void WriteGlobalTest(orvane::TextWriter& file, const StatisticsInput& input, const StatisticsResult& result,
                     const ReportNames& names) {
  const GlobalTest& g = result.global;
  file.Line(kDashes);
  file.Line(ToCp1250(" TEST GLOBALNY WSPÓŁCZYNNIKA WARIANCJI:"));
  file.Line(ToCp1250(" Hipoteza: współczynnik wariancji a-priori = 1 (wagi obserwacji p = 1/m*m)"));
  if (!input.leastSquares)
    file.Line(ToCp1250(" Estymacja mocna: [pvv] z końcowymi współczynnikami wagowymi obserwacji"));
  if (result.untiedParts > 0) WriteUntiedParts(file, result, names);
  file.Line(" [pvv]                                   = " + FixedField(g.pvv, 15, 5));
  file.Line(ToCp1250(" Liczba stopni swobody           LU = M-N = ") + IntegerField(g.degrees));
  if (!g.computed) {
    file.Line(ToCp1250(" Brak obserwacji nadliczbowych - test nie jest wykonywany"));
    return;
  }
  file.Line(ToCp1250(" Poziom istotności (dwustronny)       alfa = ") + FixedField(g.alpha, 7, 5));
  file.Line(ToCp1250(" Dolna granica  chi2(alfa/2; LU)         = ") + FixedField(g.lower, 15, 5));
  file.Line(ToCp1250(" Górna granica  chi2(1-alfa/2; LU)       = ") + FixedField(g.upper, 15, 5));
  if (g.accepted)
    file.Line(ToCp1250(" Wynik: [pvv] w granicach - hipoteza PRZYJĘTA"));
  else if (g.pvv < g.lower)
    file.Line(ToCp1250(" Wynik: [pvv] poniżej dolnej granicy - hipoteza ODRZUCONA"));
  else
    file.Line(ToCp1250(" Wynik: [pvv] powyżej górnej granicy - hipoteza ODRZUCONA"));
}

void WriteWTestParameters(orvane::TextWriter& file, const StatisticsResult& result) {
  file.Line(kDashes);
  file.Line(" TEST w OBSERWACJI (BAARDY) - PARAMETRY:");
  file.Line(ToCp1250(" Poziom istotności (dwustronny)      alfa0 = ") + FixedField(result.options.Alpha0, 7, 5));
  file.Line(" Moc testu                            beta0 = " + FixedField(result.options.Power, 7, 5));
  file.Line(ToCp1250(" Wartość krytyczna |w|                    k = ") + FixedField(result.critical, 9, 5));
  file.Line(ToCp1250(" Parametr niecentralności           lambda0 = ") + FixedField(result.lambda0, 9, 5));
  file.Line(ToCp1250(" MDB = sqrt(lambda0/(p*r)),  niezawodność zewn. = sqrt(lambda0*(1-r)/r)"));
}

void WriteObservationTable(orvane::TextWriter& file, const StatisticsInput& input, const StatisticsResult& result,
                           const ReportNames& names) {
  const int dec = names.decimals;
  file.Line(kDashes);
  file.Line(ToCp1250(" NIEZAWODNOŚĆ OBSERWACJI I TEST w (kolejność i kierunek jak w zbiorach):"));
  file.Line(ToCp1250("           Nr[I]            Nr[j]         V       r         w      MDB  zewn.        -V/r     wpływ"));
  file.Line("                                      [ m ]                      [ m ]              [ m ]     [ m ]");
  const std::string uncontrolled = ToCp1250("   obserwacja bez kontroli (r = 0)");
  const std::size_t m = input.obs.size() - 1;
  std::string line;
  // v, r and the test of one item after its two leading fields; -v/r and its effect on the
  // heights follow the mark.
  auto appendTest = [&](const ObservationTest& t) {
    orvane::AppendFixedField(line, t.v, 10, dec);
    orvane::AppendFixedField(line, t.r, 8, 4);
    if (t.controlled) {
      orvane::AppendFixedField(line, t.w, 10, 3);
      orvane::AppendFixedField(line, t.mdb, 9, dec);
      orvane::AppendFixedField(line, t.external, 7, 2);
      line += t.rejected ? " *" : "  ";
      orvane::AppendFixedField(line, t.gross, 10, dec);
      orvane::AppendFixedField(line, t.effect, 10, dec);
    } else {
      line += uncontrolled;
    }
  };
  for (std::size_t k = 1; k <= m; ++k) {
    const TestedObservation& o = input.obs[k];
    line.clear();
    orvane::AppendRightAligned(line, Nr(names, o.from), 16);
    line += ' ';
    orvane::AppendRightAligned(line, Nr(names, o.to), 16);
    appendTest(result.obs[k]);
    file.Line(line);
  }
  if (result.obs.size() > m + 1) {
    // The benchmarks held with a mean error: observed heights, tested as the observations are.
    file.Line(ToCp1250(" REPERY Z BŁĘDEM ŚREDNIM (wysokość dana jak obserwacja):"));
    file.Line(ToCp1250("             NRP           H dane         V       r         w      MDB  zewn.        -V/r     wpływ"));
    const std::vector<TestedObservation> items = TestedItems(input);
    for (std::size_t k = m + 1; k < result.obs.size(); ++k) {
      line.clear();
      orvane::AppendRightAligned(line, Nr(names, items[k].to), 16);
      line += ' ';
      orvane::AppendFixedField(line, items[k].dh, 16, dec);
      appendTest(result.obs[k]);
      file.Line(line);
    }
  }
  file.Line(ToCp1250(" Obserwacje odrzucone testem w (|w| > k), symbol *: ") +
            IntegerField(Count(result.obs, [](const ObservationTest& t) { return t.rejected; })));
  file.Line(ToCp1250(" Obserwacje bez kontroli (r = 0):                   ") +
            IntegerField(Count(result.obs, [](const ObservationTest& t) { return !t.controlled; })));
}

void WriteSnooping(orvane::TextWriter& file, const StatisticsInput& input, const StatisticsResult& result,
                   const ReportNames& names) {
  const int dec = names.decimals;
  file.Line(kDashes);
  file.Line(ToCp1250(" WYKRYWANIE BŁĘDÓW GRUBYCH (data snooping):"));
  if (!result.options.Snooping) {
    file.Line(ToCp1250(" wyłączone w opcjach obliczeń"));
    return;
  }
  file.Line(ToCp1250(" w każdej rundzie usuwa się obserwację o największym |w| > k i wyrównuje sieć ponownie"));
  file.Line(" runda           Nr[I]            Nr[j]         w         V");
  file.Line("                                                         [ m ]");
  const std::vector<TestedObservation> items = TestedItems(input);
  const std::string benchmark = ToCp1250("reper");
  for (std::size_t i = 0; i < result.rounds.size(); ++i) {
    const SnoopingRound& round = result.rounds[i];
    const TestedObservation& o = items[static_cast<std::size_t>(round.observation)];
    file.Line(IntegerField(static_cast<long long>(i) + 1, 6) + " " +
              RightAligned(o.from != 0 ? Nr(names, o.from) : benchmark, 16) + " " + RightAligned(Nr(names, o.to), 16) +
              FixedField(round.w, 10, 3) + FixedField(round.v, 10, dec));
  }
  if (result.snoopingStopped)
    file.Line(ToCp1250(" *** przerwane: układ po usunięciu obserwacji nie daje się rozwiązać"));
  else if (result.rounds.empty())
    file.Line(ToCp1250(" żadna obserwacja nie przekracza wartości krytycznej - nic nie usunięto"));
  else
    file.Line(ToCp1250(" usunięto obserwacji: ") + IntegerField(static_cast<long long>(result.rounds.size())) +
              ToCp1250("; żadna z pozostałych nie przekracza wartości krytycznej"));
}

void WriteHeightsAfter(orvane::TextWriter& file, const StatisticsInput& input, const StatisticsResult& result,
                       const ReportNames& names) {
  const int dec = names.decimals;
  std::vector<char> isBenchmark(input.height.size(), 0);
  for (const TestedBenchmark& b : input.benchmarks) isBenchmark[b.point] = 1;
  file.Line(kDashes);
  file.Line(ToCp1250(" WYSOKOŚCI PO WYKRYWANIU BŁĘDÓW GRUBYCH dla Mo = ") + FixedField(result.heightMoAfter, 7, 5));
  file.Line("   LP               NRP        H          MH    H-H(h.osn)");
  file.Line("                             [ m ]      [ m ]      [ m ]");
  std::string line;
  for (std::size_t i = 1; i < input.height.size(); ++i) {
    const double h = result.heightAfter[i];
    line.clear();
    orvane::AppendIntegerField(line, static_cast<long long>(i), 5);
    line += ' ';
    orvane::AppendRightAligned(line, Nr(names, static_cast<int>(i)), 16);
    line += ' ';
    orvane::AppendFixedField(line, h, 12, dec);
    line += ' ';
    orvane::AppendFixedField(line, result.meanErrorAfter[i], 9, dec);
    line += ' ';
    orvane::AppendFixedField(line, h - input.height[i], 10, dec);
    if (isBenchmark[i]) line += " #";
    file.Line(line);
  }
}

void WriteRobustFactors(orvane::TextWriter& file, const StatisticsInput& input, const StatisticsResult& result,
                        const ReportNames& names) {
  file.Line(kDashes);
  file.Line(ToCp1250(" TEST w OBSERWACJI dotyczy wyłącznie wyrównania metodą najmniejszych kwadratów"));
  file.Line(ToCp1250(" (STANDARD MNK); estymacja mocna wskazuje błędy grube współczynnikami wagowymi."));
  file.Line(kDashes);
  file.Line(ToCp1250(" KOŃCOWE WSPÓŁCZYNNIKI WAGOWE OBSERWACJI (kolejność i kierunek jak w zbiorach):"));
  file.Line("           Nr[I]            Nr[j]         V   wsp.wag.");
  file.Line("                                      [ m ]");
  for (std::size_t k = 1; k < input.obs.size(); ++k) {
    const TestedObservation& o = input.obs[k];
    const double factor = k < input.robustFactor.size() ? input.robustFactor[k] : 1.0;
    file.Line(RightAligned(Nr(names, o.from), 16) + " " + RightAligned(Nr(names, o.to), 16) +
              FixedField(result.obs[k].v, 10, names.decimals) + FixedField(factor, 10, 5));
  }
}

}  // namespace

void WriteTestsReport(orvane::TextWriter& file, const StatisticsInput& input, const StatisticsResult& result,
                      const ReportNames& names) {
  const std::string underscores(76, '_');
  file.Line(underscores);
  file.Line(ToCp1250("  System ORVANE 2006 - program KVEL/6.0 TESTY STATYSTYCZNE WYRÓWNANIA SIECI"));
  file.Line(underscores);
  file.Line("  ");
  WriteGlobalTest(file, input, result, names);
  if (!input.leastSquares) {
    WriteRobustFactors(file, input, result, names);
  } else if (!result.wTest) {
    file.Line(kDashes);
    file.Line(ToCp1250(" *** DEFEKT SIECI - test w i wykrywanie błędów grubych nie są wykonywane"));
  } else {
    WriteWTestParameters(file, result);
    WriteObservationTable(file, input, result, names);
    WriteSnooping(file, input, result, names);
    WriteHeightsAfter(file, input, result, names);
  }
  file.Line(std::string(75, '-') + "orvane_2006--");
}

std::string ObservationsCsvHeader(bool leastSquares) {
  return leastSquares ? "from,to,dh,v,r,w,mdb,removed,gross,effect" : "from,to,dh,v,factor";
}

std::string CsvField(const std::string& text) {
  const bool formula = !text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos;
  if (!formula && text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = formula ? "\"'" : "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string CsvText(const std::string& cp1250) {
  // The five bytes Windows-1250 leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98) would come out as
  // C1 controls; they are marked as the replacement character instead (its UTF-8 bytes below).
  const std::string utf8 = orvane::FromCp1250(cp1250);
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) < 0xA0) {
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    out += utf8[i];
  }
  return CsvField(out);
}

std::string UntiedPartsWarning(const StatisticsResult& result, const std::vector<std::string>& pointNr) {
  // A box names a few points; testy.osn lists them all.
  constexpr int kNamed = 10;
  std::string text = ToCp1250(messages::kUntiedParts);
  int named = 0, untied = 0;
  for (std::size_t i = 1; i < result.untiedPart.size(); ++i) {
    if (result.untiedPart[i] == 0) continue;
    if (++untied > kNamed) continue;
    text += (named++ ? ", " : "") + pointNr[i];
  }
  if (untied > kNamed) text += ToCp1250(" … (") + IntegerField(untied) + ToCp1250(" punktów)");
  return text + ToCp1250(messages::kUntiedPartsEnd);
}

std::string CsvNumber(double value) {
  std::string text;
  AppendCsvNumber(text, value);
  return text;
}

void AppendCsvNumber(std::string& out, double value) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  out.append(buffer, end);
}

void WriteObservationsCsv(orvane::TextWriter& file, const StatisticsInput& input, const StatisticsResult& result,
                          const ReportNames& names) {
  auto nr = [&](int point) { return CsvText(Nr(names, point)); };
  if (!input.leastSquares) {
    file.Line(ObservationsCsvHeader(false));
    for (std::size_t k = 1; k < input.obs.size(); ++k) {
      const TestedObservation& o = input.obs[k];
      const double factor = k < input.robustFactor.size() ? input.robustFactor[k] : 1.0;
      file.Line(nr(o.from) + "," + nr(o.to) + "," + CsvNumber(o.dh) + "," + CsvNumber(result.obs[k].v) + "," +
                CsvNumber(factor));
    }
    return;
  }
  file.Line(ObservationsCsvHeader(true));
  std::vector<std::string> csvNr(names.pointNr->size());
  for (std::size_t i = 1; i < csvNr.size(); ++i) csvNr[i] = nr(static_cast<int>(i));
  std::string line;
  for (std::size_t k = 1; k < input.obs.size(); ++k) {
    const TestedObservation& o = input.obs[k];
    const ObservationTest& t = result.obs[k];
    line.clear();
    line += csvNr[o.from];
    line += ',';
    line += csvNr[o.to];
    line += ',';
    AppendCsvNumber(line, o.dh);
    line += ',';
    AppendCsvNumber(line, t.v);
    line += ',';
    if (result.wTest) {
      AppendCsvNumber(line, t.r);
      line += ',';
      if (t.controlled) {
        AppendCsvNumber(line, t.w);
        line += ',';
        AppendCsvNumber(line, t.mdb);
      } else {
        line += ',';
      }
    } else {
      line += ",,";  // a defective system: no cofactors to test with
    }
    line += ',';
    orvane::AppendIntegerField(line, t.removedRound);
    line += ',';
    if (result.wTest && t.controlled) {
      AppendCsvNumber(line, t.gross);
      line += ',';
      AppendCsvNumber(line, t.effect);
    } else {
      line += ',';
    }
    file.Line(line);
  }
}

void WriteHeightsCsv(orvane::TextWriter& file, const StatisticsInput& input, const StatisticsResult& result,
                     const ReportNames& names) {
  file.Line(kHeightsCsvHeader);
  if (!input.leastSquares) return;  // h.osn of a robust run is empty
  std::vector<char> isBenchmark(input.height.size(), 0);
  for (const TestedBenchmark& b : input.benchmarks) isBenchmark[b.point] = 1;
  std::string line;
  for (std::size_t i = 1; i < input.height.size(); ++i) {
    line = CsvText(Nr(names, static_cast<int>(i)));
    line += ',';
    AppendCsvNumber(line, input.height[i]);
    line += ',';
    AppendCsvNumber(line, i < input.meanError.size() ? input.meanError[i] : 0.0);
    const bool untied = i < result.untiedPart.size() && result.untiedPart[i] != 0;
    line += untied ? ",untied" : isBenchmark[i] ? ",1" : ",0";
    file.Line(line);
  }
}

}  // namespace kvel
