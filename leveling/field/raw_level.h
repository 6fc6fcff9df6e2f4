#pragma once
// A digital level's raw file as a sequence of levelling lines: set-ups with their back and fore
// readings, intermediate sights, the instrument's own heights and closing figures, and every
// reading the reader dropped with its reason. Readers (gsi_reader, m5_reader) fill it through a
// LineBuilder, so the rules of a set-up live in one place whatever the format.
//
// Texts are the file's own bytes (point names keep their letter case); messages are UTF-8.
// Height differences are never taken from the instrument's height words: those are kept only to
// be compared with the reduction.
#include <string>
#include <vector>

namespace kvel::field {

enum class LevelMethod { Unknown, BF, BFFB, BBFF, aBF, aBFFB };
const char* MethodName(LevelMethod method);
// Two readings of each staff per set-up (BFFB, BBFF, aBFFB).
bool IsDoubleMethod(LevelMethod method);

struct Reading {
  double value = 0;     // staff reading, m
  double distance = 0;  // sight length, m (0 when the file gives none)
  bool hasDistance = false;
  int sourceLine = 0;
};

struct Setup {
  std::string backPoint, forePoint;
  std::vector<Reading> back, fore;  // in the order measured
  int firstLine = 0, lastLine = 0;
  // The instrument's own figures for this set-up, when the file has them.
  bool hasInstrumentHeight = false;
  double instrumentHeight = 0;  // height of the fore point
  bool hasInstrumentStationDifference = false;
  double instrumentStationDifference = 0;  // (B1-F1)-(B2-F2) as the instrument gives it

  bool Complete(int pairs) const { return static_cast<int>(back.size()) >= pairs && static_cast<int>(fore.size()) >= pairs; }
};

struct IntermediateSight {
  std::string point;
  std::size_t setup = 0;  // index in the line's set-ups
  Reading reading;
  bool hasInstrumentHeight = false;
  double instrumentHeight = 0;
};

struct DroppedReading {
  int sourceLine = 0;
  std::string what;  // the record as read (file bytes)
  std::string why;   // UTF-8
};

struct LevelLine {
  int number = 0;  // 1-based within its file
  LevelMethod method = LevelMethod::Unknown;
  int startLine = 0;
  bool hasStartHeight = false;
  double startHeight = 0;  // the instrument's height of the first point
  std::vector<Setup> setups;
  std::vector<IntermediateSight> intermediates;
  // The instrument's closing figures (the last of repeated summary lines).
  bool hasSummary = false;
  double summarySumDh = 0, summaryMisclosure = 0, summaryBack = 0, summaryFore = 0;
  bool hasSummaryMisclosure = false, hasSummaryLengths = false, hasSummarySumDh = false;
  // GSI: the running total length (574) and sight balance (573, back minus fore) at the last set-up.
  bool hasSummaryTotal = false;
  double summaryTotal = 0, summaryBalance = 0;
};

struct RawFile {
  std::string path;
  std::string format;  // "GSI-8", "GSI-16", "DiNi M5"
  std::vector<LevelLine> lines;
  std::vector<DroppedReading> dropped;
  std::vector<std::string> warnings;  // UTF-8, each naming its line of the file
};

// An unreadable record: the file, its line number and what is wrong (UTF-8).
struct ReadError {
  std::string path;
  int line = 0;
  std::string message;
};

// Reads a raw file, recognising its format by its first record. False with `error` filled for a
// file that cannot be read or a record that cannot be taken safely.
bool ReadRawFile(const std::string& path, RawFile& file, ReadError& error);

// The set-up rules shared by the readers.
class LineBuilder {
 public:
  explicit LineBuilder(RawFile& file) : file_(file) {}
  void StartLine(LevelMethod method, int sourceLine);
  // Continues the line ended last (Cont-Line); starts one when there is none.
  void ContinueLine(int sourceLine);
  void EndLine();
  // A back or fore reading; `second` marks the second reading of a double method (B2, F2),
  // which belongs to the set-up of the first even when the file names no method.
  void Back(const std::string& point, const Reading& reading, bool second = false);
  void Fore(const std::string& point, const Reading& reading, bool second = false);
  void Intermediate(const std::string& point, const Reading& reading);
  // The instrument's height of `point`: the line's start, a set-up's fore point or an intermediate.
  void InstrumentHeight(const std::string& point, double height);
  void InstrumentStationDifference(double value);
  // The last reading of the open set-up is measured again: it is dropped.
  void DropLastReading(int sourceLine, const std::string& why);
  // The set-up is measured again: the open one (or, when none is open, the last finished one).
  void DropSetup(int sourceLine, const std::string& why);
  // 'h' sum of dh, 'z' misclosure, 'b'/'f' sums of back/fore sights, 'L' total length, 'd' balance
  void Summary(const char kind, double value);
  void Finish();

 private:
  LevelLine& Line(int sourceLine);
  Setup& OpenSetup(int sourceLine, bool second);
  void Add(const std::string& point, const Reading& reading, bool second, bool back);
  int Pairs(const LevelLine& line) const;

  RawFile& file_;
  bool open_ = false;       // a line is being read
  bool setupOpen_ = false;  // the last set-up of the line still takes readings
  bool lastWasIntermediate_ = false;
};

}  // namespace kvel::field
