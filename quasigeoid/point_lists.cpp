#include "quasigeoid/point_lists.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "common/cp1250.h"
#include "common/number_format.h"
#include "common/number_parse.h"
#include "quasigeoid/messages.h"

namespace solvanta {

namespace {

using orvane::AppendFixedField;
using orvane::AppendFixedFieldOf;
using orvane::AppendIntegerField;
using orvane::AppendRightAligned;

// The two bad-record texts differ in one letter: BLN has "Błędny", the height lists "Błedny".
const std::string& BadRecordText(PointListTask task) {
  static const std::string anomaly = orvane::ToCp1250(messages::kBadRecord);
  static const std::string heights = orvane::ToCp1250(messages::kBadRecordHeights);
  return task == PointListTask::AnomalyList ? anomaly : heights;
}

// The input file of a task as the window's panel names it.
std::string_view InputName(PointListTask task) {
  switch (task) {
    case PointListTask::AnomalyList:
      return "BL";
    case PointListTask::EllipsoidalToNormal:
      return "BLH_e";
    case PointListTask::NormalToEllipsoidal:
      break;
  }
  return "BLH_n";
}

std::string_view OutsideText(PointListTask task) {
  switch (task) {
    case PointListTask::AnomalyList:
      return messages::kOutsideArea1;
    case PointListTask::EllipsoidalToNormal:
      return messages::kOutsideArea2;
    case PointListTask::NormalToEllipsoidal:
      break;
  }
  return messages::kOutsideArea3;
}

// A point whose N, KSI or ETA would need a node without data.
const std::string& NoCoverageText(PointListTask task) {
  static const std::string texts[3] = {orvane::ToCp1250(messages::kNoCoverage1),
                                       orvane::ToCp1250(messages::kNoCoverage2),
                                       orvane::ToCp1250(messages::kNoCoverage3)};
  return texts[static_cast<std::size_t>(task)];
}

constexpr char kSeparator = ' ';
constexpr std::string_view kSecondMark = "[\"]";

struct ParsedPoint {
  std::string_view nr;
  GeodeticPoint point;
  Real height = 0;
};

// Fields 1 to 8 of a record; field 0 unused, as in the field table.
using RecordFields = std::array<std::string_view, 9>;

bool ParseRecord(PointListTask task, const RecordFields& f, ParsedPoint& p) {
  p.nr = CutPointNr(f[1]);
  orvane::DmsPosition position;
  if (!orvane::ParseDmsFields({f[2], f[3], f[4], f[5], f[6], f[7]}, position)) return false;
  p.point = PointOf(position);
  if (task != PointListTask::AnomalyList && !orvane::ParseNumber(f[8], p.height)) return false;
  return true;
}

// KSI and ETA with their marks. BLH_n.1 has two blanks before a computed ETA and one before the
// placeholder.
void AppendDeflections(PointListTask task, const Deflections& d, std::string& out) {
  if (!d.computed) {
    out += " KSI =  ***  [\"] ETA =  ***  [\"]";
    return;
  }
  out += " KSI = ";
  AppendFixedField(out, d.ksi, 6, 2);
  out += task == PointListTask::EllipsoidalToNormal ? "[\"]  ETA = " : "[\"] ETA = ";
  AppendFixedField(out, d.eta, 6, 2);
  out += kSecondMark;
}

// What follows the value (and the deflections) to the end of a result line; BLH_n.1 names the
// model's height system.
void AppendTail(PointListTask task, std::string_view heightSystem, ReferenceFrame frame, std::string& out) {
  switch (task) {
    case PointListTask::AnomalyList:
      out += "  ";
      break;
    case PointListTask::EllipsoidalToNormal:
      out += "  ";
      out += heightSystem;
      out += " z ";
      break;
    case PointListTask::NormalToEllipsoidal:
      out += ' ';
      break;
  }
  out += FrameLabel(frame);
}

}  // namespace

std::string_view FrameLabel(ReferenceFrame frame) {
  switch (frame) {
    case ReferenceFrame::Etrf89:
      return " PL-ETRF89";
    case ReferenceFrame::Etrf2000:
      return " PL-ETRF2000";
    case ReferenceFrame::None:
      break;
  }
  return "";
}

namespace {

// A line split, read and located: all that is known of it before the grid is read.
struct PreparedRecord {
  LineResult result = LineResult::Ignored;  // Result: the numbers are still to be computed
  std::string_view line;
  std::string_view bSecondsText;  // fields 4 and 7 as read, printed as they stand when they can be
  std::string_view lSecondsText;
  ParsedPoint p;
  GridPosition position;
  long lineNumber = 0;  // in the list's file, named in a bad record's message; 0: not known
};

// `fields` is scratch space that a list keeps for all its lines. The views in `r` point into
// `line`.
void PrepareRecord(PointListTask task, std::string_view line, RecordFields& fields, PreparedRecord& r) {
  r.line = line;
  // A record needs at most its first 8 fields; they are read in place, not copied. Knowing
  // whether there are at least 8 is all the test of too few fields asks.
  const int count = orvane::SplitLeadingFields(line, fields.data(), 8);
  const int fewest = task == PointListTask::EllipsoidalToNormal ? 8 : 2;
  if (count < fewest || fields[1] == "0") {
    r.result = LineResult::Ignored;
  } else if (!ParseRecord(task, fields, r.p)) {
    r.result = LineResult::Bad;
  } else if (!LocateCell(r.p.point, EdgeClamping::On, r.position)) {
    r.result = LineResult::Outside;
  } else {
    r.result = LineResult::Result;
    r.bSecondsText = fields[4];
    r.lSecondsText = fields[7];
  }
}

// The line of a prepared record onto the end of `out`; an ignored line adds nothing.
LineResult FinishRecord(PointListTask task, const PreparedRecord& r, const ModelGrid& grid, ReferenceFrame frame,
                        std::string& out) {
  const ParsedPoint& p = r.p;
  switch (r.result) {
    case LineResult::Ignored:
      return r.result;
    case LineResult::Bad:
      out += BadRecordText(task);
      out += r.line;
      if (r.lineNumber > 0) out += orvane::RecordPlace(InputName(task), r.lineNumber);
      return r.result;
    case LineResult::Outside:
      out += p.nr;
      out += OutsideText(task);
      return r.result;
    case LineResult::NoCoverage:
    case LineResult::Result:
      break;
  }
  const GridPosition& position = r.position;
  CellNodes nodes;
  grid.CellNodesAt(position.i, position.j, nodes);
  Deflections deflections;
  if (task == PointListTask::AnomalyList) deflections = DeflectionsAt(nodes, position, kAnomalyListLimits);
  if (task == PointListTask::EllipsoidalToNormal) deflections = DeflectionsAt(nodes, position, kEllipsoidalToNormalLimits);
  if (deflections.noData || !nodes.CornersHaveData()) {
    out += p.nr;
    out += NoCoverageText(task);
    return LineResult::NoCoverage;
  }
  const Real n = AnomalyInFrame(GridAnomalyAt(nodes, position), frame, p.point);

  AppendRightAligned(out, p.nr, 16);
  out.push_back(kSeparator);
  AppendIntegerField(out, p.point.bDegrees, 2);
  out.push_back(kSeparator);
  AppendIntegerField(out, p.point.bMinutes, 2);
  out.push_back(kSeparator);
  AppendFixedFieldOf(out, r.bSecondsText, p.point.bSeconds, 8, 5);
  out.push_back(kSeparator);
  AppendIntegerField(out, p.point.lDegrees, 2);
  out.push_back(kSeparator);
  AppendIntegerField(out, p.point.lMinutes, 2);
  out.push_back(kSeparator);
  AppendFixedFieldOf(out, r.lSecondsText, p.point.lSeconds, 8, 5);
  out.push_back(kSeparator);

  switch (task) {
    case PointListTask::AnomalyList:
      AppendFixedField(out, n, 9, 4);
      AppendDeflections(task, deflections, out);
      break;
    case PointListTask::EllipsoidalToNormal:
      AppendFixedField(out, p.height - n, 9, 4);
      AppendDeflections(task, deflections, out);
      break;
    case PointListTask::NormalToEllipsoidal:
      AppendFixedField(out, p.height + n, 9, 4);
      break;
  }
  AppendTail(task, grid.Info().heightSystem, frame, out);
  return LineResult::Result;
}

// One line onto the end of `out`; an ignored line adds nothing.
LineResult ConvertRecord(PointListTask task, std::string_view line, const ModelGrid& grid, ReferenceFrame frame,
                         RecordFields& fields, std::string& out, long lineNumber = 0) {
  PreparedRecord r;
  PrepareRecord(task, line, fields, r);
  r.lineNumber = lineNumber;
  return FinishRecord(task, r, grid, frame, out);
}

// A line converted as `converted` whose number fields look joined by a decimal comma: the user is
// told once per list, before that line's result.
bool WarnsOfDecimalComma(PointListTask task, std::string_view line, LineResult converted) {
  if (converted == LineResult::Ignored || converted == LineResult::Bad) return false;
  return task == PointListTask::AnomalyList ? orvane::HasDecimalComma(line, {4, 7})
                                            : orvane::HasDecimalComma(line, {4, 7, 8});
}

// Lines prepared together before any is finished: the grid nodes of the first are on their way
// from memory while the others are read, so a random list waits less for them.
constexpr std::size_t kPreparedAhead = 16;

// A block of input lines, copied out of the reader, and what they gave.
struct LineBlock {
  std::string text;               // the lines one after another, without their line ends
  std::vector<std::size_t> ends;  // where each line ends in `text`
  long firstLine = 0;             // the number of its first line in the input
  std::string out;                // the result and message lines, each with CR LF
  // The first line of the block that warns of a decimal comma: where its result begins in `out`
  // (npos: none) and the warning's text.
  std::size_t commaAt = std::string::npos;
  std::string commaLine;
};

// The rest of a long list, shared by several threads: each takes the next block of lines from
// the reader, converts it on its own and hands it to the writing, which writes the blocks in input
// order, so the result has the same bytes, in the same order, as line-by-line conversion gives.
// A thread whose block must wait for an earlier one leaves it behind and goes on with the next;
// whichever thread hands in the block that is due writes it and every waiting block after it. The
// reader and the writer are used by one thread at a time.
class SharedList {
 public:
  SharedList(PointListTask task, orvane::LineReader& input, orvane::TextWriter& result, const ModelGrid& grid,
             ReferenceFrame frame, std::size_t blockLines, std::size_t mostWaiting, bool commaWarned)
      : commaWarned_(commaWarned),
        task_(task),
        input_(input),
        result_(result),
        grid_(grid),
        frame_(frame),
        blockLines_(blockLines),
        mostWaiting_(mostWaiting) {}

  // Converts blocks until the input ends; every thread runs it.
  void Work() {
    RecordFields fields;
    std::uint64_t sequence = 0;
    std::array<PreparedRecord, kPreparedAhead> prepared;
    std::unique_ptr<LineBlock> block = std::make_unique<LineBlock>();
    while (ReadBlock(*block, sequence)) {
      block->out.clear();
      block->commaAt = std::string::npos;
      std::size_t begin = 0;
      for (std::size_t first = 0; first < block->ends.size(); first += kPreparedAhead) {
        const std::size_t count = std::min(kPreparedAhead, block->ends.size() - first);
        for (std::size_t k = 0; k < count; ++k) {
          const std::size_t end = block->ends[first + k];
          PreparedRecord& r = prepared[k];
          PrepareRecord(task_, std::string_view(block->text.data() + begin, end - begin), fields, r);
          r.lineNumber = block->firstLine + static_cast<long>(first + k);
          if (r.result == LineResult::Result) grid_.PrefetchCellNodes(r.position.i, r.position.j);
          begin = end;
        }
        for (std::size_t k = 0; k < count; ++k) {
          const std::size_t at = block->out.size();
          const LineResult converted = FinishRecord(task_, prepared[k], grid_, frame_, block->out);
          if (converted == LineResult::Ignored) continue;
          block->out += "\r\n";
          if (block->commaAt == std::string::npos && !commaWarned_.load(std::memory_order_relaxed) &&
              WarnsOfDecimalComma(task_, prepared[k].line, converted)) {
            block->commaAt = at;
            block->commaLine = DecimalCommaLine(prepared[k].line);
          }
        }
      }
      block = HandIn(std::move(block), sequence);
    }
  }

  long long Lines() const { return lines_; }

 private:
  // The next block and its place in the input; false once the input has ended. The last block
  // may be empty: it still takes its turn at the writer.
  bool ReadBlock(LineBlock& block, std::uint64_t& sequence) {
    const std::lock_guard lock(readMutex_);
    if (inputEnded_) return false;
    block.text.clear();
    block.ends.clear();
    block.firstLine = input_.LineNumber() + 1;
    std::string_view line;
    while (block.ends.size() < blockLines_) {
      if (!input_.ReadLineView(line)) {
        inputEnded_ = true;
        break;
      }
      block.text.append(line);
      block.ends.push_back(block.text.size());
    }
    lines_ += static_cast<long long>(block.ends.size());
    sequence = nextRead_++;
    return true;
  }

  // Hands in converted block number `sequence`; gives back a block to fill next. Writes the
  // blocks that are due when no other thread is writing. A thread that is far ahead of the
  // writing waits, so the blocks left behind stay few (a handful, whatever the list's length).
  std::unique_ptr<LineBlock> HandIn(std::unique_ptr<LineBlock> block, std::uint64_t sequence) {
    std::unique_lock lock(writeMutex_);
    waiting_.emplace(sequence, std::move(block));
    if (!writing_) {
      writing_ = true;
      for (auto due = waiting_.find(nextWrite_); due != waiting_.end(); due = waiting_.find(nextWrite_)) {
        std::unique_ptr<LineBlock> next = std::move(due->second);
        waiting_.erase(due);
        lock.unlock();
        WriteBlock(*next);
        lock.lock();
        ++nextWrite_;
        spare_.push_back(std::move(next));
      }
      writing_ = false;
      written_.notify_all();
    }
    // Too many blocks wait for one that another thread still converts: wait until it is written.
    written_.wait(lock, [&] { return waiting_.size() <= mostWaiting_; });
    if (spare_.empty()) return std::make_unique<LineBlock>();
    std::unique_ptr<LineBlock> reused = std::move(spare_.back());
    spare_.pop_back();
    return reused;
  }

  // Writes a due block; the first decimal-comma warning of the list goes before its line.
  void WriteBlock(const LineBlock& block) {
    const std::string_view out = block.out;
    if (block.commaAt == std::string::npos || commaWarned_.load(std::memory_order_relaxed)) {
      result_.Write(out);
      return;
    }
    result_.Write(out.substr(0, block.commaAt));
    result_.Line(block.commaLine);
    result_.Write(out.substr(block.commaAt));
    commaWarned_.store(true, std::memory_order_relaxed);
  }

  // Set by the writing thread once the list has warned; read by the others only to skip the test.
  std::atomic<bool> commaWarned_;
  const PointListTask task_;
  orvane::LineReader& input_;
  orvane::TextWriter& result_;
  const ModelGrid& grid_;
  const ReferenceFrame frame_;
  const std::size_t blockLines_;
  const std::size_t mostWaiting_;

  std::mutex readMutex_;  // guards the reader and the fields below it
  bool inputEnded_ = false;
  std::uint64_t nextRead_ = 0;
  long long lines_ = 0;

  std::mutex writeMutex_;  // guards the fields below; the writer belongs to the thread writing
  std::condition_variable written_;
  std::map<std::uint64_t, std::unique_ptr<LineBlock>> waiting_;  // converted, not yet due
  std::vector<std::unique_ptr<LineBlock>> spare_;                // written, to be filled again
  std::uint64_t nextWrite_ = 0;
  bool writing_ = false;
};

int ThreadsFor(const PointListPlan& plan) {
  if (plan.threads > 0) return plan.threads;
  const unsigned cores = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp(cores, 1U, static_cast<unsigned>(kMostListThreads)));
}

// Converts the rest of the input on the plan's threads; the lines read.
long long ConvertShared(PointListTask task, orvane::LineReader& input, orvane::TextWriter& result,
                        const ModelGrid& grid, ReferenceFrame frame, const PointListPlan& plan, bool commaWarned) {
  const int threads = ThreadsFor(plan);
  SharedList list(task, input, result, grid, frame, std::max<std::size_t>(plan.blockLines, 1),
                  2 * static_cast<std::size_t>(threads), commaWarned);
  std::vector<std::thread> helpers;
  for (int t = 1; t < threads; ++t) {
    try {
      helpers.emplace_back(&SharedList::Work, &list);
    } catch (const std::system_error&) {
      break;  // no more threads to be had: those there are (the calling one at least) do it all
    }
  }
  list.Work();
  for (std::thread& helper : helpers) helper.join();
  return list.Lines();
}

}  // namespace

std::string DecimalCommaLine(std::string_view line) {
  static const std::string text = orvane::ToCp1250(messages::kDecimalComma);
  return text + std::string(line);
}

LineResult ConvertPointLine(PointListTask task, std::string_view line, const ModelGrid& grid,
                            ReferenceFrame frame, std::string& out) {
  RecordFields fields;
  out.clear();
  return ConvertRecord(task, line, grid, frame, fields, out);
}

PointListStatus ConvertPointList(PointListTask task, orvane::LineReader& input, orvane::TextWriter& result,
                                 const ModelGrid& grid, ReferenceFrame frame, const PointListPlan& plan) {
  PointListStatus status;
  std::string_view line;
  std::string out;
  RecordFields fields;
  out.reserve(256);
  bool commaWarned = false;
  bool more = true;
  while (status.lines < plan.simpleLines && (more = input.ReadLineView(line))) {
    ++status.lines;
    out.clear();
    const LineResult converted = ConvertRecord(task, line, grid, frame, fields, out, input.LineNumber());
    if (converted == LineResult::Ignored) continue;
    if (!commaWarned && WarnsOfDecimalComma(task, line, converted)) {
      result.Line(DecimalCommaLine(line));
      commaWarned = true;
    }
    // The line end goes with the line: one write per line.
    out += "\r\n";
    result.Write(out);
  }
  if (more) status.lines += ConvertShared(task, input, result, grid, frame, plan, commaWarned);
  status.readOk = !input.Failed();
  input.Close();
  status.writeOk = result.Close();
  return status;
}

}  // namespace solvanta
