// Both programs on messy working folders: mutations of the example folders made from a fixed seed
// (flipped bytes, garbage, NUL and Ctrl-Z bytes, truncations, repeated lines, special numbers,
// other encodings and line ends, huge lines, directories, FIFOs and vanishing files in place of
// inputs or results). Whatever the input, a run must return one of its outcomes, tell the user
// why it stopped, leave whole CR LF text in its result files, never print a non-finite number,
// and never touch an input file.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "common/cp1250.h"
#include "common/run_outcome.h"
#include "leveling/adjustment_run.h"
#include "leveling/epochs/epoch_analysis.h"
#include "quasigeoid/calculator_run.h"
#include "quasigeoid/model_grid.h"
#include "support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using orvane::RunOutcome;

constexpr std::uint64_t kSeed = 20260101;
constexpr int kCasesPerProgram = 600;
// A run that takes longer than this is taken as hanging: the program aborts with the case named.
constexpr int kWatchdogSeconds = 120;

// ---- Files --------------------------------------------------------------------------------

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A fresh folder under the temporary directory, removed with everything in it.
// A scratch folder for one group of cases, removed afterwards.
class Scratch {
 public:
  explicit Scratch(const std::string& /*what the cases are about*/) {}
  const fs::path& Path() const { return path_; }

 private:
  orvane::testing::ScratchFolder scratch_;
  fs::path path_ = scratch_.Root();
};

// ---- Deterministic randomness ---------------------------------------------------------------

// Only the raw engine is used: its sequence is fixed by the standard, unlike the distributions.
class Random {
 public:
  explicit Random(std::uint64_t seed) : engine_(seed) {}
  std::uint64_t Below(std::uint64_t n) { return n == 0 ? 0 : engine_() % n; }
  bool Chance(int percent) { return Below(100) < static_cast<std::uint64_t>(percent); }
  template <class T>
  const T& Pick(const std::vector<T>& items) { return items[Below(items.size())]; }

 private:
  std::mt19937_64 engine_;
};

// ---- The example folders and what a mutation may touch ----------------------------------

struct InputFile {
  std::string name;
  std::vector<int> numericFields;  // 1-based fields that hold numbers
  std::vector<int> nameFields;     // 1-based fields that hold point numbers
};

struct Program {
  std::string exampleFolder;  // under examples/
  std::vector<InputFile> inputs;
  std::vector<std::string> results;
};

const Program& Kvel() {
  static const Program program{"kvel",
                               {{"deltah", {3, 4}, {1, 2}}, {"h.sta", {2}, {1}}, {"tytul", {}, {}}},
                               {"wyh.osn", "h.osn"}};
  return program;
}

const Program& Solvanta() {
  static const Program program{"solvanta",
                               {{"BL", {2, 3, 4, 5, 6, 7}, {1}},
                                {"BLH_e", {2, 3, 4, 5, 6, 7, 8}, {1}},
                                {"BLH_n", {2, 3, 4, 5, 6, 7, 8}, {1}},
                                {"BLH.grs", {2, 3, 4, 5, 6, 7, 8}, {1}},
                                {"DELTAH.gps", {3, 4}, {1, 2}}},
                               {"bln", "blh_n.1", "blh_e.1", "deltah1"}};
  return program;
}

const std::vector<std::string>& SpecialNumbers() {
  static const std::vector<std::string> numbers = {
      "1e999", "-1e999", "nan", "NaN", "-nan", "inf", "-inf", "INF", "Infinity", "1e-999", "0x10", "1,5",
      "1e308", "-1e308", "1.7976931348623157e308", "4.9e-324", "1e-300", "0", "-0", "0.0",
      "99999999999999999999999999", "2147483648", "-2147483649", "1.2.3", "--1", "+", "-", ".", "1e", "e5",
      "1d5", "12abc", "\xB1" "1", "99", "-99", "60", "90", "-90", "180", "360", "1e5", "-1e5", "0.000001"};
  return numbers;
}

// ---- Mutations ------------------------------------------------------------------------------

std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
  std::string bytes;
  for (const auto& line : lines) bytes += line + end;
  return bytes;
}

// Replaces blank-separated field `k` (1-based) of `line`; false when the line has fewer fields.
bool ReplaceField(std::string& line, int k, const std::string& text) {
  std::size_t pos = 0;
  for (int field = 1;; ++field) {
    pos = line.find_first_not_of(' ', pos);
    if (pos == std::string::npos) return false;
    std::size_t end = line.find(' ', pos);
    if (end == std::string::npos) end = line.size();
    if (field == k) {
      line.replace(pos, end - pos, text);
      return true;
    }
    pos = end;
  }
}

std::string RandomBytes(Random& random, std::size_t count) {
  std::string bytes(count, '\0');
  for (auto& c : bytes) c = static_cast<char>(random.Below(256));
  return bytes;
}

// What became of an input file: its new bytes, or a thing in its place.
enum class Replacement { Bytes, Removed, Directory, Fifo, Empty };

struct MutatedFile {
  Replacement kind = Replacement::Bytes;
  std::string bytes;
};

// One mutation of one file's bytes; `label` gets its name for the failure messages.
void MutateBytes(Random& random, const InputFile& input, std::string& bytes, std::string& label) {
  std::vector<std::string> lines = SplitLines(bytes);
  const auto anyLine = [&]() -> std::string& {
    if (lines.empty()) lines.emplace_back();
    return lines[random.Below(lines.size())];
  };
  switch (random.Below(18)) {
    case 0: {
      label = "flipped bytes";
      const std::uint64_t n = 1 + random.Below(8);
      for (std::uint64_t i = 0; i < n && !bytes.empty(); ++i)
        bytes[random.Below(bytes.size())] = static_cast<char>(random.Below(256));
      return;
    }
    case 1: {
      label = "inserted garbage";
      bytes.insert(random.Below(bytes.size() + 1), RandomBytes(random, 1 + random.Below(64)));
      return;
    }
    case 2: {
      label = "truncated";
      bytes.resize(random.Below(bytes.size() + 1));
      return;
    }
    case 3: {
      label = "repeated lines";
      if (lines.empty()) return;
      const std::size_t at = random.Below(lines.size());
      const std::string copy = lines[at];
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), 1 + random.Below(30), copy);
      bytes = JoinLines(lines);
      return;
    }
    case 4:
    case 5:
    case 6: {
      if (input.numericFields.empty()) return;
      const std::string special = random.Pick(SpecialNumbers());
      label = "special number " + special;
      std::string& line = anyLine();
      ReplaceField(line, random.Pick(input.numericFields), special);
      bytes = JoinLines(lines);
      return;
    }
    case 7: {
      if (input.nameFields.empty()) return;
      // A point number of digits, dots and hyphens only, so that it can hold no "nan" or "inf".
      const std::size_t length = random.Chance(20) ? 100000 : 17 + random.Below(300);
      std::string nr;
      for (std::size_t i = 0; i < length; ++i) nr += "0123456789.-"[random.Below(12)];
      label = "point number of " + std::to_string(length) + " bytes";
      ReplaceField(anyLine(), random.Pick(input.nameFields), nr);
      bytes = JoinLines(lines);
      return;
    }
    case 8: {
      label = "line ends";
      const int form = static_cast<int>(random.Below(4));
      std::string out;
      for (const auto& line : lines) {
        static const char* const kEnds[] = {"\n", "\r", "\r\r\n", "\n\r"};
        out += line + (form < 4 && random.Chance(70) ? kEnds[form] : kEnds[random.Below(4)]);
      }
      bytes = out;
      label += " " + std::to_string(form);
      return;
    }
    case 9: {
      label = random.Chance(50) ? "UTF-16LE with BOM" : "UTF-16BE with BOM";
      const bool little = label[7] == 'L';
      const std::string text = orvane::FromCp1250(bytes);
      std::string out = little ? std::string("\xFF\xFE") : std::string("\xFE\xFF");
      for (unsigned char c : text) {  // bytes of UTF-8 as code units: close enough for a reader
        out += little ? std::string{static_cast<char>(c), '\0'} : std::string{'\0', static_cast<char>(c)};
      }
      bytes = out;
      return;
    }
    case 10: {
      label = "UTF-8 with BOM";
      bytes = "\xEF\xBB\xBF" + orvane::FromCp1250(bytes);
      return;
    }
    case 11: {
      label = "huge line";
      const std::size_t length = (1 + random.Below(4)) << 20;
      std::string huge;
      huge.reserve(length);
      const bool fields = random.Chance(50);
      while (huge.size() < length) huge += fields ? "1.5 " : "x";
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(random.Below(lines.size() + 1)), huge);
      bytes = JoinLines(lines);
      return;
    }
    case 12: {
      label = "NUL separators";
      for (auto& c : bytes)
        if (c == ' ' && random.Chance(30)) c = '\0';
      return;
    }
    case 13: {
      label = "Ctrl-Z";
      bytes.insert(random.Below(bytes.size() + 1), 1, '\x1A');
      return;
    }
    case 14: {
      label = "one line";
      bytes = JoinLines(lines, " ");
      return;
    }
    case 15: {
      label = "shuffled lines";
      for (std::size_t i = lines.size(); i > 1; --i) std::swap(lines[i - 1], lines[random.Below(i)]);
      bytes = JoinLines(lines);
      return;
    }
    case 16: {
      label = "only blanks and separators";
      bytes.clear();
      const std::uint64_t n = 1 + random.Below(50);
      for (std::uint64_t i = 0; i < n; ++i) bytes += " \t,;\r\n"[random.Below(6)];
      return;
    }
    default: {
      label = "too many fields";
      std::string& line = anyLine();
      for (int i = 0; i < 700; ++i) line += " 1";
      bytes = JoinLines(lines);
      return;
    }
  }
}

// ---- Hosts that record every call ---------------------------------------------------------

struct Box {
  bool information;
  std::string text;  // Windows-1250 bytes
};

class KvelHost : public kvel::AdjustmentHost {
 public:
  void SetMonitorLine(int, const std::string&) override { Call(); }
  void ShowMessage(const std::string& text) override {
    boxes.push_back({false, text});
    Call();
  }
  void ShowInformation(const std::string& text) override {
    boxes.push_back({true, text});
    Call();
  }
  void ShowEditHint() override { Call(); }
  // After the last box: kept apart, so that the last box is the run's end.
  void ShowFinalWarning(const std::string& text) override {
    finalWarning = text;
    Call();
  }

  std::vector<Box> boxes;
  std::string finalWarning;
  int calls = 0;
  // Runs at host call number `atCall` (1-based): makes a file vanish in the middle of a run.
  int atCall = 0;
  std::function<void()> action;

 private:
  void Call() {
    if (++calls == atCall && action) action();
  }
};

class SolvantaHost : public solvanta::CalculatorHost {
 public:
  bool IsTaskSwitchSet(solvanta::TaskSwitch) override {
    Call();
    return true;
  }
  void HighlightPanel(solvanta::ResultPanel) override { Call(); }
  void AdvanceGauge(int) override {}
  void CloseProgressWindow() override { Call(); }
  void ShowMessage(const std::string& text) override {
    boxes.push_back({false, text});
    Call();
  }
  void ShowInformation(const std::string& text) override {
    boxes.push_back({true, text});
    Call();
  }

  std::vector<Box> boxes;
  int calls = 0;
  int atCall = 0;
  std::function<void()> action;

 private:
  void Call() {
    if (++calls == atCall && action) action();
  }
};

// ---- Watchdog -------------------------------------------------------------------------------

// Aborts the program, naming the case, when one run does not return in time.
class Watchdog {
 public:
  Watchdog() : thread_([this] { Watch(); }) {}
  ~Watchdog() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  void Arm(const std::string& what) {
    std::lock_guard lock(mutex_);
    what_ = what;
    deadline_ = std::chrono::steady_clock::now() + std::chrono::seconds(kWatchdogSeconds);
    armed_ = true;
    wake_.notify_all();
  }
  void Disarm() {
    std::lock_guard lock(mutex_);
    armed_ = false;
  }

 private:
  void Watch() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
      if (armed_ && std::chrono::steady_clock::now() >= deadline_) {
        std::fprintf(stderr, "run did not return: %s\n", what_.c_str());
        std::abort();
      }
      wake_.wait_for(lock, std::chrono::milliseconds(500));
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  bool armed_ = false;
  std::string what_;
  std::chrono::steady_clock::time_point deadline_;
  std::thread thread_;
};

// ---- Checks of the results ------------------------------------------------------------------

// Whitespace- and separator-delimited tokens of the inputs, to tell an echoed input text from a
// number the program printed.
std::set<std::string> InputTokens(const std::vector<std::string>& contents) {
  std::set<std::string> tokens;
  for (const auto& bytes : contents) {
    std::string token;
    for (char c : bytes) {
      if (c == ' ' || c == '\t' || c == ',' || c == ';' || c == '\0' || c == '\r' || c == '\n') {
        if (!token.empty()) tokens.insert(token);
        token.clear();
      } else {
        token += c;
      }
    }
    if (!token.empty()) tokens.insert(token);
  }
  return tokens;
}

bool IsNonFiniteText(std::string token) {
  std::transform(token.begin(), token.end(), token.begin(), [](unsigned char c) { return std::tolower(c); });
  if (!token.empty() && (token[0] == '-' || token[0] == '+')) token.erase(0, 1);
  // As printf and the streams spell them.
  return token == "nan" || token == "inf" || token == "infinity" || token.rfind("nan(", 0) == 0;
}

struct CaseRecord {
  std::string label;
  std::vector<std::string> inputContents;  // bytes of the inputs as laid down
  std::map<std::string, std::string> inputsBefore;
};

// Every result file: whole CR LF lines, no non-finite number. Returns the last line of `report`.
void CheckResults(const fs::path& folder, const Program& program, const CaseRecord& record) {
  const std::set<std::string> echoed = InputTokens(record.inputContents);
  for (const auto& name : program.results) {
    const fs::path path = folder / name;
    if (!fs::is_regular_file(path)) continue;
    const std::string bytes = ReadBytes(path);
    if (!bytes.empty()) {
      ASSERT_GE(bytes.size(), 2u) << name;
      EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << name << " does not end with CR LF";
    }
    for (std::size_t k = bytes.find('\n'); k != std::string::npos; k = bytes.find('\n', k + 1)) {
      ASSERT_TRUE(k > 0 && bytes[k - 1] == '\r') << name << ": LF without CR at byte " << k;
    }
    std::string token;
    for (std::size_t k = 0; k <= bytes.size(); ++k) {
      const char c = k < bytes.size() ? bytes[k] : ' ';
      if (c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '=' || c == ':' || c == '(' || c == ')') {
        if (!token.empty() && IsNonFiniteText(token) && !echoed.count(token))
          ADD_FAILURE() << name << " holds the non-finite number \"" << token << "\"";
        token.clear();
      } else {
        token += c;
      }
    }
  }
}

std::string LastLine(const std::string& bytes) {
  std::string text = bytes;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  const auto lf = text.rfind('\n');
  return lf == std::string::npos ? text : text.substr(lf + 1);
}

void CheckInputsUntouched(const fs::path& folder, const CaseRecord& record) {
  for (const auto& [name, before] : record.inputsBefore) {
    const fs::path path = folder / name;
    if (!fs::is_regular_file(path)) continue;  // made to vanish by the case itself
    EXPECT_TRUE(ReadBytes(path) == before) << "input " << name << " was changed by the run";
  }
}

// ---- Laying out one case ----------------------------------------------------------------------

fs::path ExamplesFolder() { return fs::path(ORVANE_EXAMPLES); }

// Lays the program's example inputs into `folder` with one to three mutations, and sometimes a
// thing in place of a result. Fills `record`; `vanish` gets the name of an input to remove during
// the run (empty for none).
void LayCase(Random& random, const Program& program, const fs::path& folder, CaseRecord& record,
             std::string& vanish) {
  std::map<std::string, MutatedFile> files;
  for (const auto& input : program.inputs)
    files[input.name] = {Replacement::Bytes, ReadBytes(ExamplesFolder() / program.exampleFolder / input.name)};

  const std::uint64_t mutations = 1 + random.Below(3);
  for (std::uint64_t m = 0; m < mutations; ++m) {
    const InputFile& input = random.Pick(program.inputs);
    MutatedFile& file = files[input.name];
    std::string label;
    switch (random.Below(20)) {
      case 0:
        file.kind = Replacement::Removed;
        label = "removed";
        break;
      case 1:
        file.kind = Replacement::Directory;
        label = "a directory";
        break;
      case 2:
        file.kind = Replacement::Fifo;
        label = "a FIFO";
        break;
      case 3:
        file.kind = Replacement::Empty;
        label = "empty";
        break;
      default:
        if (file.kind != Replacement::Bytes) continue;
        MutateBytes(random, input, file.bytes, label);
    }
    record.label += input.name + ": " + label + "; ";
  }
  if (random.Chance(5)) {
    const std::string& name = random.Pick(program.results);
    fs::create_directory(folder / name);
    record.label += name + ": a directory; ";
  }
  if (random.Chance(8)) {
    vanish = random.Pick(program.inputs).name;
    record.label += vanish + ": vanishes during the run; ";
  }

  for (const auto& [name, file] : files) {
    const fs::path path = folder / name;
    switch (file.kind) {
      case Replacement::Bytes:
        WriteBytes(path, file.bytes);
        record.inputContents.push_back(file.bytes);
        record.inputsBefore[name] = file.bytes;
        break;
      case Replacement::Empty:
        WriteBytes(path, "");
        record.inputsBefore[name] = "";
        break;
      case Replacement::Directory:
        fs::create_directory(path);
        break;
      case Replacement::Fifo:
#ifdef _WIN32
        fs::create_directory(path);  // no FIFOs in Windows folders: another thing that is no plain file
#else
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
#endif
        break;
      case Replacement::Removed:
        break;
    }
  }
}

void EmptyFolder(const fs::path& folder) {
  for (const auto& entry : fs::directory_iterator(folder)) fs::remove_all(entry.path());
}

// ---- The model file ---------------------------------------------------------------------------

// A model file of a plane: N = -15 m + 0.01 m per row + 0.005 m per column.
const std::string& ModelFile() {
  static Scratch folder("model");
  static const std::string path = [] {
    std::vector<std::int32_t> values(solvanta::kGridValueCount);
    for (std::size_t k = 0; k < values.size(); ++k)
      values[k] = -1500000 + 1000 * static_cast<std::int32_t>(k / solvanta::kGridColumns) +
                  500 * static_cast<std::int32_t>(k % solvanta::kGridColumns);
    const fs::path file = folder.Path() / solvanta::kModelFileName;
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(values.data()), static_cast<std::streamsize>(values.size() * 4));
    return file.string();
  }();
  return path;
}

kvel::AdjustmentOptions RandomOptions(Random& random) {
  kvel::AdjustmentOptions options;
  options.Method = random.Chance(25) ? kvel::Method::Robust : kvel::Method::LeastSquares;
  options.AccuracyMode = random.Chance(25) ? kvel::AccuracyMode::Simplified : kvel::AccuracyMode::Full;
  options.Decimals = 3 + static_cast<int>(random.Below(3));
  options.UnitErrorIsOne = random.Chance(50);
  return options;
}

// How the runs of one test ended, printed at its end so that a change of the mutations that no
// longer reaches the later phases shows.
struct Tally {
  int finished = 0, stopped = 0, ended = 0;
  void Add(RunOutcome outcome) {
    (outcome == RunOutcome::Finished ? finished : outcome == RunOutcome::Stopped ? stopped : ended) += 1;
  }
  void Print(const char* what) const {
    std::printf("%s: %d finished, %d stopped, %d ended the program\n", what, finished, stopped, ended);
  }
};

// One kvel run on `folder` with the checks of every run.
RunOutcome RunKvelAndCheck(const fs::path& folder, const CaseRecord& record, Random& random, const std::string& vanish,
                     Watchdog& watchdog) {
  KvelHost host;
  if (!vanish.empty()) {
    host.atCall = 1 + static_cast<int>(random.Below(6));
    host.action = [&] {
      std::error_code ignored;
      fs::remove_all(folder / vanish, ignored);
    };
  }
  watchdog.Arm("kvel: " + record.label);
  const RunOutcome outcome = kvel::RunAdjustment(folder.string(), RandomOptions(random), host);
  watchdog.Disarm();

  EXPECT_TRUE(outcome == RunOutcome::Finished || outcome == RunOutcome::Stopped);
  if (host.boxes.empty()) {
    ADD_FAILURE() << "the run showed no box";
    return outcome;
  }
  EXPECT_EQ(host.boxes.back().text, orvane::ToCp1250(" KONIEC WYRÓWNANIA "));
  // A warning ends finished runs only.
  if (!host.finalWarning.empty()) {
    EXPECT_EQ(outcome, RunOutcome::Finished);
  }
  CheckResults(folder, Kvel(), record);
  const fs::path report = folder / "wyh.osn";
  if (outcome == RunOutcome::Stopped) {
    // The user was told why: a box before the closing one, and the report's last line says it.
    EXPECT_GE(host.boxes.size(), 2u);
    if (fs::is_regular_file(report)) {
      EXPECT_NE(LastLine(ReadBytes(report)).find("**"), std::string::npos)
          << "last line: " << LastLine(ReadBytes(report)).substr(0, 200);
    }
  } else {
    EXPECT_TRUE(fs::is_regular_file(report));
    EXPECT_TRUE(fs::is_regular_file(folder / "h.osn"));
  }
  return outcome;
}

}  // namespace

TEST(MessyInput, KvelRunsOnMutatedExampleFolders) {
  Watchdog watchdog;
  Random random(kSeed);
  Scratch scratch("kvel");
  Tally tally;
  for (int n = 0; n < kCasesPerProgram; ++n) {
    EmptyFolder(scratch.Path());
    CaseRecord record;
    std::string vanish;
    LayCase(random, Kvel(), scratch.Path(), record, vanish);
    SCOPED_TRACE("case " + std::to_string(n) + ": " + record.label);
    tally.Add(RunKvelAndCheck(scratch.Path(), record, random, vanish, watchdog));
    CheckInputsUntouched(scratch.Path(), record);
  }
  tally.Print("kvel");
}

// The comparison of epochs with a messy folder as either epoch beside the clean example: it ends,
// says why when it stops, and leaves whole files.
TEST(MessyInput, EpochComparisonRunsOnMutatedExampleFolders) {
  Watchdog watchdog;
  Random random(kSeed + 7);
  Scratch scratch("epochs"), clean("clean epoch"), out("epochs out");
  for (const auto& entry : fs::directory_iterator(ExamplesFolder() / Kvel().exampleFolder))
    fs::copy_file(entry.path(), clean.Path() / entry.path().filename());
  Tally tally;
  for (int n = 0; n < kCasesPerProgram / 4; ++n) {
    EmptyFolder(scratch.Path());
    CaseRecord record;
    std::string vanish;
    LayCase(random, Kvel(), scratch.Path(), record, vanish);
    SCOPED_TRACE("case " + std::to_string(n) + ": " + record.label);
    const bool messyFirst = random.Chance(50);
    const std::vector<std::string> folders = messyFirst
                                                 ? std::vector<std::string>{scratch.Path().string(), clean.Path().string()}
                                                 : std::vector<std::string>{clean.Path().string(), scratch.Path().string()};
    KvelHost host;
    kvel::epochs::CongruenceOptions options;
    options.unitErrorIsOne = random.Chance(50);
    watchdog.Arm("epochs: " + record.label);
    const RunOutcome outcome = kvel::epochs::RunEpochAnalysis(folders, out.Path().string(), options, host);
    watchdog.Disarm();
    tally.Add(outcome);
    EXPECT_TRUE(outcome == RunOutcome::Finished || outcome == RunOutcome::Stopped);
    ASSERT_FALSE(host.boxes.empty());
    EXPECT_EQ(host.boxes.back().text, orvane::ToCp1250(" KONIEC ANALIZY PRZEMIESZCZEŃ "));
    if (outcome == RunOutcome::Stopped) {
      EXPECT_GE(host.boxes.size(), 2u);
    }
    const std::string csv = ReadBytes(out.Path() / "przemieszczenia.csv");
    EXPECT_EQ(csv.rfind("from_epoch,to_epoch,point,role,d,md,test,critical,moved\r\n", 0), 0u);
    EXPECT_TRUE(csv.size() < 2 || csv.substr(csv.size() - 2) == "\r\n");
    EXPECT_EQ(csv.find("nan"), std::string::npos);
    CheckInputsUntouched(scratch.Path(), record);
  }
  tally.Print("epochs");
}

TEST(MessyInput, SolvantaRunsOnMutatedExampleFolders) {
  Watchdog watchdog;
  Random random(kSeed + 1);
  Scratch scratch("solvanta");
  const std::string& model = ModelFile();
  Tally tally, chainedTally;
  for (int n = 0; n < kCasesPerProgram; ++n) {
    EmptyFolder(scratch.Path());
    CaseRecord record;
    std::string vanish;
    LayCase(random, Solvanta(), scratch.Path(), record, vanish);
    SCOPED_TRACE("case " + std::to_string(n) + ": " + record.label);

    SolvantaHost host;
    if (!vanish.empty()) {
      host.atCall = 1 + static_cast<int>(random.Below(8));
      host.action = [&] {
        std::error_code ignored;
        fs::remove_all(scratch.Path() / vanish, ignored);
      };
    }
    const solvanta::ReferenceFrame frame = random.Chance(50) ? solvanta::ReferenceFrame::Etrf89 : solvanta::ReferenceFrame::Etrf2000;
    watchdog.Arm("solvanta: " + record.label);
    const RunOutcome outcome = solvanta::RunCalculation(host, scratch.Path().string(), frame, model);
    watchdog.Disarm();
    tally.Add(outcome);

    ASSERT_FALSE(host.boxes.empty());
    if (outcome == RunOutcome::Finished) {
      EXPECT_EQ(host.boxes.back().text, solvanta::EndOfRunMessage());
    } else {
      // Stopped or ended: the last box says why, and it is not the end-of-run message.
      EXPECT_NE(host.boxes.back().text, solvanta::EndOfRunMessage());
      EXPECT_NE(host.boxes.back().text.find("***"), std::string::npos) << host.boxes.back().text.substr(0, 200);
    }
    CheckResults(scratch.Path(), Solvanta(), record);
    CheckInputsUntouched(scratch.Path(), record);

    // The levelling that follows a satellite levelling reads its deltah1 and the h.sta beside it.
    if (outcome == RunOutcome::Finished && fs::is_regular_file(scratch.Path() / "deltah1") && random.Chance(30)) {
      WriteBytes(scratch.Path() / "h.sta", ReadBytes(ExamplesFolder() / "solvanta" / "h.sta"));
      CaseRecord chained = record;
      chained.inputContents.push_back(ReadBytes(scratch.Path() / "deltah1"));
      chained.inputContents.push_back(ReadBytes(scratch.Path() / "h.sta"));
      chainedTally.Add(RunKvelAndCheck(scratch.Path(), chained, random, "", watchdog));
    }
  }
  tally.Print("solvanta");
  chainedTally.Print("kvel on the satellite levelling's deltah1");
}

// Extreme finite numbers in one numeric field of every line of one file (the end records too):
// sums, squares and products of them overflow unless the program guards them.
TEST(MessyInput, ExtremeNumbersInEveryNumericField) {
  Watchdog watchdog;
  Random random(kSeed + 2);
  Scratch scratch("extreme");
  const std::vector<std::string> extremes = {"1e308", "-1e308", "1.7976931348623157e308", "4.9e-324",
                                             "1e-300", "1e300", "-1e300", "1e154"};
  for (const Program* program : {&Kvel(), &Solvanta()}) {
    for (const auto& input : program->inputs) {
      for (int field : input.numericFields) {
        for (const auto& extreme : extremes) {
          EmptyFolder(scratch.Path());
          CaseRecord record;
          record.label = input.name + " field " + std::to_string(field) + " = " + extreme;
          SCOPED_TRACE(record.label);
          for (const auto& other : program->inputs) {
            std::string bytes = ReadBytes(ExamplesFolder() / program->exampleFolder / other.name);
            if (other.name == input.name) {
              std::vector<std::string> lines = SplitLines(bytes);
              for (auto& line : lines) ReplaceField(line, field, extreme);
              bytes = JoinLines(lines);
            }
            WriteBytes(scratch.Path() / other.name, bytes);
            record.inputContents.push_back(bytes);
            record.inputsBefore[other.name] = bytes;
          }
          if (program == &Kvel()) {
            RunKvelAndCheck(scratch.Path(), record, random, "", watchdog);
          } else {
            SolvantaHost host;
            watchdog.Arm(record.label);
            solvanta::RunCalculation(host, scratch.Path().string(), solvanta::ReferenceFrame::Etrf2000, ModelFile());
            watchdog.Disarm();
            CheckResults(scratch.Path(), *program, record);
          }
          CheckInputsUntouched(scratch.Path(), record);
        }
      }
    }
  }
}

// A working folder that does not exist, that is a file, or that cannot be written.
TEST(MessyInput, WorkingFolderMissingFileOrUnwritable) {
  Scratch scratch("folders");
  WriteBytes(scratch.Path() / "plain", "not a folder\r\n");
  const std::vector<std::string> folders = {(scratch.Path() / "missing").string(), (scratch.Path() / "plain").string(),
                                            "/proc/self/fdinfo"};
  for (const auto& folder : folders) {
    SCOPED_TRACE(folder);
    KvelHost kvelHost;
    const RunOutcome kvelOutcome = kvel::RunAdjustment(folder, kvel::AdjustmentOptions{}, kvelHost);
    EXPECT_EQ(kvelOutcome, RunOutcome::Stopped);
    EXPECT_GE(kvelHost.boxes.size(), 2u);

    SolvantaHost solvantaHost;
    const RunOutcome solvantaOutcome =
        solvanta::RunCalculation(solvantaHost, folder, solvanta::ReferenceFrame::Etrf89, ModelFile());
    EXPECT_EQ(solvantaOutcome, RunOutcome::Stopped);
    ASSERT_FALSE(solvantaHost.boxes.empty());
    EXPECT_EQ(solvantaHost.boxes.back().text, solvanta::NoInputMessage());
  }
}

// Inputs in a folder where no result can be created: the runs say so and stop.
TEST(MessyInput, ResultsThatCannotBeCreated) {
  Scratch scratch("unwritable");
  for (const auto& name : {"deltah", "h.sta"})
    WriteBytes(scratch.Path() / name, ReadBytes(ExamplesFolder() / "kvel" / name));
  for (const auto& name : Kvel().results) fs::create_directory(scratch.Path() / name);
  KvelHost kvelHost;
  EXPECT_EQ(kvel::RunAdjustment(scratch.Path().string(), kvel::AdjustmentOptions{}, kvelHost), RunOutcome::Stopped);
  ASSERT_GE(kvelHost.boxes.size(), 2u);
  EXPECT_NE(kvelHost.boxes.front().text.find("wyh.osn"), std::string::npos);

  for (const auto& name : {"BL", "BLH_e", "BLH_n", "BLH.grs", "DELTAH.gps"})
    WriteBytes(scratch.Path() / name, ReadBytes(ExamplesFolder() / "solvanta" / name));
  for (const auto& name : Solvanta().results) fs::create_directory(scratch.Path() / name);
  SolvantaHost solvantaHost;
  EXPECT_EQ(solvanta::RunCalculation(solvantaHost, scratch.Path().string(), solvanta::ReferenceFrame::Etrf89, ModelFile()),
            RunOutcome::Stopped);
  ASSERT_FALSE(solvantaHost.boxes.empty());
  // The run joins the folder and the name with '/' on every system.
  EXPECT_EQ(solvantaHost.boxes.back().text,
            solvanta::CannotCreateMessage(scratch.Path().string() + "/bln", "to jest folder"));
}
