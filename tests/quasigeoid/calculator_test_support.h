#pragma once
// Helpers of the calculator's tests: a synthetic model grid, scratch working folders copied from
// the fixtures, and a host that records every call of a run.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "common/cp1250.h"
#include "quasigeoid/calculator_run.h"
#include "quasigeoid/model_grid.h"

namespace calculator_test {

namespace fs = std::filesystem;

// v(i, j) = -1500000 + 1000 i + 500 j: N = -15 + 0.01 x + 0.005 y metres, so the bilinear
// interpolation is exact and N is negative in the south-west and positive in the north-east;
// KSI = -0.01 rho / M(i) and ETA = -0.005 rho / P(i) everywhere.
inline std::int32_t LinearValue(int i, int j) { return -1500000 + 1000 * i + 500 * j; }

inline void FillLinearGrid(solvanta::ModelGrid& grid) {
  for (int i = 0; i < solvanta::kGridRows; ++i)
    for (int j = 0; j < solvanta::kGridColumns; ++j) grid.At(i, j) = LinearValue(i, j);
}

// One linear grid shared by the tests of a program.
inline const solvanta::ModelGrid& LinearGrid() {
  static solvanta::ModelGrid grid;
  static const bool filled = (FillLinearGrid(grid), true);
  (void)filled;
  return grid;
}

// Writes a model file of `count` values of the linear grid (the full file by default).
inline void WriteLinearGridFile(const std::string& path, std::size_t count = solvanta::kGridValueCount) {
  std::vector<std::int32_t> values(count);
  for (std::size_t k = 0; k < count; ++k)
    values[k] = LinearValue(static_cast<int>(k / solvanta::kGridColumns), static_cast<int>(k % solvanta::kGridColumns));
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(values.data()), static_cast<std::streamsize>(count * 4));
}

inline std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// Windows-1250 lines with CR LF ends, from UTF-8 literals.
inline std::string Cp1250Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += orvane::ToCp1250(line) + "\r\n";
  return text;
}

inline std::string FixturePath(const std::string& relative) { return std::string(ORVANE_TEST_FIXTURES) + "/" + relative; }

// A scratch folder, removed at the end of the test.
class ScratchFolder {
 public:
  ScratchFolder() {
    static int serial = 0;
    path_ = fs::temp_directory_path() /
            ("orvane_calc_" + std::to_string(::getpid()) + "_" + std::to_string(++serial));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const fs::path& Path() const { return path_; }
  std::string Str() const { return path_.string(); }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  // Copies the fixture files `names` from fixture folder `fixture`.
  void CopyFixture(const std::string& fixture, const std::vector<std::string>& names) const {
    for (const auto& name : names) fs::copy_file(FixturePath(fixture + "/" + name), path_ / name);
  }

 private:
  fs::path path_;
};

// Records every call of a run, in order, as text (message texts converted to UTF-8).
class RecordingHost : public solvanta::CalculatorHost {
 public:
  RecordingHost() {
    for (int k = 1; k <= 4; ++k) switches[k] = true;
  }

  bool IsTaskSwitchSet(solvanta::TaskSwitch task) override {
    const int n = static_cast<int>(task);
    ++switchQuestions[n];
    if (onSwitchQuestion) return onSwitchQuestion(n, switchQuestions[n]);
    return switches[n];
  }
  void HighlightPanel(solvanta::ResultPanel panel) override {
    calls.push_back("highlight Panel" + std::to_string(static_cast<int>(panel)));
    if (onHighlight) onHighlight(static_cast<int>(panel));
  }
  void AdvanceGauge(int steps) override { gauge += steps; }
  void CloseProgressWindow() override { calls.push_back("close progress"); }
  void ShowMessage(const std::string& text) override {
    calls.push_back("message " + orvane::FromCp1250(text));
    if (onMessage) onMessage(text);
  }
  void ShowInformation(const std::string& text) override {
    calls.push_back("information " + orvane::FromCp1250(text));
  }

  std::map<int, bool> switches;
  std::map<int, int> switchQuestions;
  // When set, answers the switch question instead of `switches` (n, how many times asked).
  std::function<bool(int, int)> onSwitchQuestion;
  std::function<void(int)> onHighlight;
  std::function<void(const std::string&)> onMessage;
  std::vector<std::string> calls;
  long long gauge = 0;
};

}  // namespace calculator_test
