#pragma once
// What the statistical tests of a finished adjustment concluded, in a few numbers and one line:
// the terminal program ends with it, so that a script (or a surveyor reading the terminal) sees
// the verdict of testy.osn without opening the file.
#include <string>

namespace kvel {

struct StatisticsInput;
struct StatisticsResult;

struct TestsVerdict {
  bool globalComputed = false;  // false without redundant observations
  bool globalAccepted = false;
  double pvv = 0;               // [pvv] (with the robust factors in a robust run)
  double lower = 0, upper = 0;  // the bounds of the two-sided test
  int degrees = 0;              // LU
  bool leastSquares = true;     // false: robust estimation, which computes no heights and no w
  bool defect = false;          // a defective system: no w-test and no data snooping
  int rejected = 0;             // observations with |w| above the critical value
  bool snooping = true;         // data snooping was on
  int removed = 0;              // observations removed by data snooping
  bool snoopingStopped = false; // snooping ended on a system it could not solve
};

TestsVerdict SummarizeTests(const StatisticsInput& input, const StatisticsResult& result);

// The verdict as one line of Windows-1250 bytes, in the words of testy.osn, e.g.
// " TEST GLOBALNY: hipoteza ODRZUCONA ([pvv] = 61.20414 > 11.14329, LU = 4); TEST w: odrzucono 9, usunięto 1".
std::string VerdictLine(const TestsVerdict& verdict);

}  // namespace kvel
