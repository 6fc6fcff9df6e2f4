#pragma once
// solvanta's user-visible messages: the "***" error lines, the outside-area and no-coverage remarks
// and the box texts of the computations, in one place. UTF-8 literals; where the call sites convert
// them to Windows-1250 (orvane::ToCp1250) today, they still do, so every byte stays as it was.
// The report's fixed layout (headings, column titles) stays beside the writer that prints it.

namespace solvanta::messages {

// --- The run ---
// Box at the end of every run (also when no task was enabled).
inline constexpr char kEndOfRun[] = " koniec obliczeń ";
// Box: no input file at all.
inline constexpr char kNoInput[] = "*** Brak zbioru danych ";
// Box: a frame code other than PL-ETRF89 or PL-ETRF2000 was chosen.
inline constexpr char kNoFrame[] = "*** Nie wybrano układu odniesienia (PL-ETRF89 lub PL-ETRF2000)";
// Box: a result file cannot be created (the path follows).
inline constexpr char kCannotCreate[] = "*** Nie można utworzyć pliku: ";
// Box: an input or model file cannot be read (the path or file name follows).
inline constexpr char kCannotRead[] = "*** Nie można odczytać pliku: ";
// Box: writing a result file failed (the path follows).
inline constexpr char kWriteError[] = "*** Błąd zapisu pliku: ";
// Box: a fault no check foresaw, out of memory among them (the exception text follows).
inline constexpr char kUnexpectedError[] = "*** Nieoczekiwany błąd programu: ";

// --- The model file ---
// Load failure: the model file is not in the folder (the file name follows).
inline constexpr char kMissingFile[] = "*** Brak pliku: ";
// Load failure: the file's size or values are not those of the model (file name and reason follow).
inline constexpr char kDamagedFile[] = "*** Uszkodzony plik: ";
// Load failure: the file ends before the grid does (file name and counts follow).
inline constexpr char kReadError[] = "*** Błąd odczytu pliku: ";
// Load failure: the model's description record is damaged (its file name follows).
inline constexpr char kDamagedDescription[] = "*** Uszkodzony opis modelu: ";

// Load failure: a grid file without its record, other than the original model (record name follows).
inline constexpr char kNoModelRecord[] = "*** Brak opisu modelu: ";
inline constexpr char kGiveHeightSystem[] =
    " (układ wysokości normalnych modelu nieznany: podaj go, solvanta-cli --height-system ETYKIETA)";
// Load failure: the height system given differs from the record's (record name and labels follow).
inline constexpr char kOtherHeightSystem[] = "*** Inny układ wysokości w opisie modelu ";
// The run's first line: the model read and its height system (name, label, file follow).
inline constexpr char kModelUsed[] = "Model quasi-geoidy: ";

// --- Point lists (anomaly and height tasks) ---
// Result line of a record that does not parse, anomaly task (the record follows).
inline constexpr char kBadRecord[] = "*** Błędny rekord: ";
// The same in the height tasks and the satellite levelling, spelt as those reports have it.
inline constexpr char kBadRecordHeights[] = "*** Błedny rekord: ";
// Result line of a point outside the admissible area; (1), (2), (3) name the check that refused it.
inline constexpr char kOutsideArea1[] = " *** punkt poza obszarem dopuszczalnym (1)";
inline constexpr char kOutsideArea2[] = " *** punkt poza obszarem dopuszczalnym (2)";
inline constexpr char kOutsideArea3[] = " *** punkt poza obszarem dopuszczalnym (3)";
// The same in the height-system tasks: (4) PL-KRON86-NH -> PL-EVRF2007-NH, (5) back.
inline constexpr char kOutsideArea4[] = " *** punkt poza obszarem dopuszczalnym (4)";
inline constexpr char kOutsideArea5[] = " *** punkt poza obszarem dopuszczalnym (5)";
inline constexpr char kNoCoverage4[] = " *** punkt poza zasięgiem modelu (4)";
inline constexpr char kNoCoverage5[] = " *** punkt poza zasięgiem modelu (5)";
// Result line of a point inside the area where the model has no data; numbered as above.
inline constexpr char kNoCoverage1[] = " *** punkt poza zasięgiem modelu (1)";
inline constexpr char kNoCoverage2[] = " *** punkt poza zasięgiem modelu (2)";
inline constexpr char kNoCoverage3[] = " *** punkt poza zasięgiem modelu (3)";
// End of a result line whose N is given but whose KSI, ETA or both would need a node without data.
inline constexpr char kKsiNoCoverage[] = " *** KSI poza zasięgiem modelu";
inline constexpr char kEtaNoCoverage[] = " *** ETA poza zasięgiem modelu";
inline constexpr char kDeflectionsNoCoverage[] = " *** KSI i ETA poza zasięgiem modelu";
// Warning before a record that most likely holds a decimal comma (the record follows).
inline constexpr char kDecimalComma[] = "*** Uwaga: przecinek dziesiętny? Przecinek rozdziela pola: ";

// --- Satellite levelling ---
// Result line of a station with no B,L in BLH.grs.
inline constexpr char kNoCoordinates[] = " *** Brak współrzędnych B,L";
// Result line of a station left out because BLH.grs holds an error.
inline constexpr char kNotComputedBlhError[] = " *** nie obliczono z powodu błędu w pliku BLH.grs";
// Line of a BLH.grs record that does not parse (the record follows).
inline constexpr char kBlhBadRecord[] = "*** BLH.grs - błędny rekord: ";
// Result line of a station outside the admissible area.
inline constexpr char kOutsideArea[] = " *** punkt poza obszarem dopuszczalnym";
// Result line of a station where the model has no data.
inline constexpr char kNoCoverage[] = " *** punkt poza zasięgiem modelu";
// Stop: more stations than the conversion holds.
inline constexpr char kTooManyPoints[] = "*** Liczba punktów > 100000";

}  // namespace solvanta::messages
