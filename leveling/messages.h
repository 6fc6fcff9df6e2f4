#pragma once
// kvel's user-visible messages: the "***" error lines, the warnings and the box texts of the
// adjustment, in one place. UTF-8 literals; the call sites convert them to Windows-1250
// (orvane::ToCp1250) before they reach the report, the monitor or the host, exactly as before.
// The report's fixed layout (headings, column titles) stays beside the writer that prints it.

namespace kvel::messages {

// --- Start checks and the end of a run ---
// Start check: no benchmark file (neither of the two benchmark slots is present).
inline constexpr char kNoBenchmarks[] = "*** Brak nawiązania sieci";
// Start check: no observation file (neither of the two observation slots is present).
inline constexpr char kNoObservations[] = "*** Brak zbioru obserwacyjnego";
// Box shown after every run, successful or stopped.
inline constexpr char kEndOfAdjustment[] = " KONIEC WYRÓWNANIA ";
// Last MONITOR line of a finished run.
inline constexpr char kEndOfComputation[] = " KONIEC OBLICZEŃ";
// Box: a result file could not be created (the path follows).
inline constexpr char kCannotCreateResult[] = " *** NIE MOŻNA UTWORZYĆ PLIKU WYNIKOWEGO: ";
// Box: writing a result file failed (the path follows).
inline constexpr char kResultWriteError[] = " *** BŁĄD ZAPISU PLIKU WYNIKOWEGO: ";
// Box: a fault no check foresaw (the exception text follows).
inline constexpr char kUnexpectedError[] = " *** NIEOCZEKIWANY BŁĄD PROGRAMU: ";
// Report lines of a record whose fields look separated by a decimal comma (file and record follow).
inline constexpr char kDecimalCommaWarning[] =
    " ** UWAGA: PRZECINEK DZIESIĘTNY? PRZECINEK ROZDZIELA POLA, LICZBY PISZE SIĘ Z KROPKĄ";
inline constexpr char kDecimalCommaFile[] = "    plik: ";
inline constexpr char kDecimalCommaRecord[] = "    rekord: ";

// --- Reading the files ---
// Report line and box: a file cannot be read (benchmark and observation files; the path follows).
inline constexpr char kCannotRead[] = " *** NIE MOŻNA ODCZYTAĆ PLIKU: ";
// Benchmark catalogue: the benchmark file is missing.
inline constexpr char kNoBenchmarkFile[] = "*** BRAK PLIKU Z PUNKTAMI NAWIĄZANIA";
// Benchmark catalogue: a record that does not parse (the record and its file and line follow).
inline constexpr char kBenchmarkRecordError[] = "*** Błąd w rekordzie: ";
// Benchmark catalogue: report line after a suspicious record (the file follows).
inline constexpr char kPossibleFormalError[] = "    możliwy błąd formalny w zbiorze: ";
// Benchmark catalogue: too many benchmark records (report line, box).
inline constexpr char kTooManyBenchmarkRecords[] = " *** LICZBA DANYCH PUNKTÓW NAWIĄZANIA > 20000";
inline constexpr char kTooManyBenchmarkRecordsBox[] = " *** LICZBA PUNKTÓW NAWIĄZANIA > 20000";
// Point catalogue: too many network points (report line, box).
inline constexpr char kTooManyPoints[] = "*** LICZBA PUNKTOW SIECI > 20000";
inline constexpr char kTooManyPointsBox[] = "*** Liczba punktów sieci > 20000";
// Point catalogue: no benchmark at all (report line, box).
inline constexpr char kNoFixedPoints[] = "*** BRAK PUNKTÓW NAWIĄZANIA";
inline constexpr char kNoFixedPointsBox[] = " *** BRAK PUNKTÓW NAWIĄZANIA ";
// Point catalogue: no observation touches a benchmark (report line, box).
inline constexpr char kNoTieToBenchmarks[] = " *** BRAK ZWIĄZKU OBSERWACJI Z PUNKTAMI NAWIĄZANIA";
inline constexpr char kNoTieToBenchmarksBox[] = "*** BRAK ZWIĄZKU OBSERWACJI Z PUNKTAMI NAWIĄZANIA";
// Observation files: a record that does not parse (the record and its file and line follow).
inline constexpr char kObservationRecordError[] = "*** BŁĄD W REKORDZIE: ";
// Observation files: the end record carries a negative unit mean error (the record follows).
inline constexpr char kNegativeUnitError[] = " *** UJEMNY BŁĄD ŚREDNI JEDNOSTKOWY W REKORDZIE KOŃCOWYM: ";
// Observation files: too many height differences.
inline constexpr char kTooManyObservations[] = " *** LICZBA RÓŻNIC WYSOKOŚCI > 40000";
// Observation files: an observation from a point to itself (report line; the pair follows).
inline constexpr char kRepeatedPair[] = " *** W PLANIE OBSERWACJI PARA NUMERÓW:";
// Observation files: the same, as a box around the point number.
inline constexpr char kRepeatedNumber[] = " *** powtórzenie numeru ";
inline constexpr char kRepeatedNumberEnd[] = " w planie obserwacji";
// Observation files: zero or a negative value in the last field (the record follows).
inline constexpr char kZeroLastField[] = " *** NIEDOPUSZCZALNE ZERO NA OSTATNIEJ POZYCJI W REKORDZIE: ";
inline constexpr char kNegativeLastField[] = " *** NIEDOPUSZCZALNA WARTOŚĆ UJEMNA NA OSTATNIEJ POZYCJI W REKORDZIE: ";
// Observation files: no end record (report line and box, with the default taken).
inline constexpr char kNoEndRecord[] = " ** UWAGA: BRAK REKORDU KOŃCOWEGO W PLIKU OBSERWACYJNYM";
inline constexpr char kDefaultEndRecord[] = "           PRZYJĘTO DOMYŚLNIE:  0 0 0 0";
// Observation files: a weight that cannot be used (the pair follows).
inline constexpr char kInvalidWeight[] = " *** NIEDOPUSZCZALNA WAGA OBSERWACJI: ";

// --- Topology, normal equations, iteration ---
// Box: one point has more than 2000 neighbours.
inline constexpr char kTooManyLinks[] = "*** ZBYT DUŻO (>2000) POWIĄZAŃ POJEDYNCZEGO PUNKTU";
// Box: the profile does not fit the internal table.
inline constexpr char kTableOverflow[] = " *** PRZEKROCZENIE ZAKRESU TABLICY WEWNĘTRZNEJ";
// Report line: the network falls apart (the count sits between the two parts).
inline constexpr char kIsolatedParts[] = "  UWAGA: sieć zawiera ";
inline constexpr char kIsolatedPartsEnd[] = " układy odosobnione";
// Stop: a solve produced values out of range.
inline constexpr char kNumericalError[] =
    " *** BŁĄD NUMERYCZNY OBLICZEŃ - wartości spoza zakresu, sprawdź dane wejściowe";
// Box: the normal matrix is singular (defective system).
inline constexpr char kDefect[] = " *** Defekt układu ";
// Box of the window, the last of a run that showed kDefect: the run has ended, but not well.
inline constexpr char kDefectAtEnd[] =
    " *** Defekt układu: sieć lub jej część nie ma reperu nawiązania albo jest niewyznaczalna.\n"
    "Wysokości tej części nie zostały wyznaczone - sprawdź protokół wyh.osn.";
// Report lines: no redundant observations, unit mean error taken as one.
inline constexpr char kNoRedundancy[] = "  Układ nie zawiera obserwacji nadliczbowych";
inline constexpr char kDefaultMo[] = "  - przyjęto standardowo Mo = 1.0 (niemian.)";
// Report lines: robust estimation ended without heights.
inline constexpr char kRobustWithoutHeights[] = " ESTYMACJA MOCNA - BEZ OBLICZEŃ WYSOKOŚCI";
inline constexpr char kControlOnly[] = " Wyniki mają tylko znaczenie kontrolne!";

}  // namespace kvel::messages
