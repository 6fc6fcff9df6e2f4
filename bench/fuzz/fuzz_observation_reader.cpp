// libFuzzer target: one input is the observation file "deltah" of a working folder whose benchmark
// file is fixed. The whole adjustment runs on it. The run must return Finished or Stopped, end
// with its closing box, and leave result files of whole CR LF lines without a non-finite number.
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "common/cp1250.h"
#include "leveling/adjustment_run.h"

namespace {

class SilentHost : public kvel::AdjustmentHost {
 public:
  void SetMonitorLine(int, const std::string&) override {}
  void ShowMessage(const std::string&) override {}
  void ShowInformation(const std::string& text) override { last = text; }
  void ShowEditHint() override {}
  // The warning of a part that no benchmark ties comes after the closing box, apart from it.
  void ShowFinalWarning(const std::string&) override {}
  std::string last;
};

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const std::string& path, const char* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data, static_cast<std::streamsize>(size));
}

// Whole CR LF lines, and none of the texts that printf and the number forms give a non-finite
// value. The inputs never reach these files but in echoed error lines, which start with blanks
// and asterisks; those are passed over.
void CheckResult(const std::string& path, bool numbersMayBeEchoed) {
  const std::string bytes = Slurp(path);
  if (!bytes.empty() && (bytes.size() < 2 || bytes.compare(bytes.size() - 2, 2, "\r\n") != 0))
    Fail("result does not end with CR LF");
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t lf = bytes.find('\n', start);
    if (lf == std::string::npos || lf == 0 || bytes[lf - 1] != '\r') Fail("LF without CR");
    const std::string line = bytes.substr(start, lf - 1 - start);
    start = lf + 1;
    if (numbersMayBeEchoed || line.find("**") != std::string::npos) continue;
    for (const char* bad : {" INF", " -INF", " NAN", " nan", " inf", " -nan"}) {
      const std::size_t at = line.find(bad);
      if (at == std::string::npos) continue;
      const std::size_t after = at + std::char_traits<char>::length(bad);
      if (after == line.size() || line[after] == ' ') Fail("non-finite number in a result");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = [] {
    // Under TMPDIR when set: on a memory file system, syncing each result costs nothing.
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/orvane_fuzz_XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    const std::string path = pattern;
    const std::string benchmarks = "R1 100.0\r\nR2 101.5\r\nA 99.0\r\n0 0.002\r\nB 100.25\r\n0 0\r\n";
    Write(path + "/h.sta", benchmarks.data(), benchmarks.size());
    return path;
  }();
  Write(folder + "/deltah", reinterpret_cast<const char*>(data), size);

  SilentHost host;
  kvel::AdjustmentOptions options;
  // The options from the input's size, so that every path is reached without a second input.
  options.Method = size % 2 == 0 ? kvel::Method::LeastSquares : kvel::Method::Robust;
  options.AccuracyMode = size % 3 == 0 ? kvel::AccuracyMode::Simplified : kvel::AccuracyMode::Full;
  options.Decimals = 3 + static_cast<int>(size % 3);
  options.UnitErrorIsOne = size % 5 != 0;
  const orvane::RunOutcome outcome = kvel::RunAdjustment(folder, options, host);
  if (outcome != orvane::RunOutcome::Finished && outcome != orvane::RunOutcome::Stopped) Fail("unknown outcome");
  if (host.last != orvane::ToCp1250(" KONIEC WYRÓWNANIA ")) Fail("no closing box");
  // A point number "INF" or "nan" is the user's: such an input is checked for whole lines only.
  std::string lower(reinterpret_cast<const char*>(data), size);
  for (auto& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const bool echoed = lower.find("inf") != std::string::npos || lower.find("nan") != std::string::npos;
  CheckResult(folder + "/wyh.osn", echoed);
  CheckResult(folder + "/h.osn", echoed);
  return 0;
}
