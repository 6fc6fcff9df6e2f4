#pragma once
// Satellite levelling: GNSS ellipsoidal height differences (DELTAH.gps) with the approximate
// positions of their points (BLH.grs) become normal height differences in the model's height
// system (DELTAH1):
// dH(norm) = dH(elips) + N1 - N2, N1 at the start point, N2 at the end point.
//
// DELTAH1 is an observation file of the levelling adjustment: result lines NrI NrJ dH 1/w, and
// always the end record "0 0 0 0" (unit mean error 0: the fourth fields are squared mean errors).
// Every message line carries text in its third field, so the adjustment refuses the file until
// the messages are dealt with.
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/record_tokenizer.h"
#include "common/replacement_file.h"
#include "common/run_outcome.h"
#include "quasigeoid/calculator_run.h"
#include "quasigeoid/interpolation.h"
#include "quasigeoid/model_grid.h"

namespace solvanta {

// The admissible points of BLH.grs in file order (entries 1..Count()) with their N in the chosen
// frame. A point number may occur more than once; look-ups follow the rule of a scan from entry 1
// upward (see LookUp), answered through an index so that a long list of vectors stays fast.
class StationTable {
 public:
  static constexpr int kCapacity = 100000;

  StationTable();
  void Clear();
  int Count() const { return static_cast<int>(numbers_.size()) - 1; }
  // Adds an entry (the number cut to 16 characters); false, and nothing added, when full.
  bool Add(std::string_view nr, Real anomaly);
  const std::string& Number(int index) const { return numbers_[static_cast<std::size_t>(index)]; }
  Real Anomaly(int index) const { return anomalies_[static_cast<std::size_t>(index)]; }

  // The entries of both ends of a vector, as a scan from entry 1 upward finds them: at an entry
  // equal to `from` its index is noted as i1, at one equal to `to` as i2 (one entry may set both),
  // and the scan stops as soon as both are noted, so for a number entered more than once the last
  // match met before the stop counts. False when either end is missing (i1, i2 then 0 where not
  // found, or as the full scan leaves them).
  bool LookUp(std::string_view from, std::string_view to, int& i1, int& i2) const;
  // The same answer by the plain scan itself; kept as the reference for the index.
  bool LookUpByScan(std::string_view from, std::string_view to, int& i1, int& i2) const;

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  // Ascending entry indices of one number.
  struct Positions {
    const int* begin = nullptr;
    const int* end = nullptr;
  };
  Positions Find(std::string_view nr) const;
  void BuildIndex() const;

  std::vector<std::string> numbers_;  // [0] unused
  std::vector<Real> anomalies_;       // [0] unused
  std::vector<int> group_;            // entry -> its number's group
  std::unordered_map<std::string, int, Hash, std::equal_to<>> groups_;
  // Built on the first look-up after the last Add: entries grouped by number, ascending.
  mutable bool indexed_ = false;
  mutable std::vector<int> groupStart_;
  mutable std::vector<int> positions_;
};

// Paths of the three files (already matched to the folder's entries).
struct SatelliteLevellingFiles {
  std::string deltahGps;  // read
  std::string blhGrs;     // read
  std::string deltah1;    // created (an existing file is replaced)
  // The run's results, which DELTAH1 joins when it is closed; without them DELTAH1 replaces the
  // old file as soon as it is closed.
  orvane::ResultFiles* results = nullptr;
};

// Opens DELTAH.gps and BLH.grs, creates DELTAH1 and highlights its panel, converts, and closes
// all three files. Returns Finished when the end record was written; EndProgram after a bad
// BLH.grs record or a 100 001st admissible point (the lines written so far are on disk, and the
// message box has been shown); Stopped when a file could not be opened, read or written (told by
// a message box). `stations` is the run's table, filled anew.
orvane::RunOutcome ConvertSatelliteLevelling(const SatelliteLevellingFiles& files, ReferenceFrame frame,
                                            const ModelGrid& grid, orvane::FieldTable& fields,
                                            StationTable& stations, CalculatorHost& host);

}  // namespace solvanta
