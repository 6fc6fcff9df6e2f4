// libFuzzer target: one input is the point list of a working folder (BL, BLH_e or BLH_n by the
// input's size, in one of the coordinate forms by its size too) and, split at its first NUL byte, the satellite levelling's DELTAH.gps and
// BLH.grs. The whole calculator run goes over it on a plane model grid. The run must return one
// of its outcomes, and its result files must be whole CR LF lines.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "quasigeoid/calculator_run.h"
#include "bench/quasigeoid/silent_calculator_host.h"
#include "quasigeoid/model_grid.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

void Write(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void CheckResult(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (!bytes.empty() && (bytes.size() < 2 || bytes.compare(bytes.size() - 2, 2, "\r\n") != 0))
    Fail("result does not end with CR LF");
  for (std::size_t k = bytes.find('\n'); k != std::string::npos; k = bytes.find('\n', k + 1))
    if (k == 0 || bytes[k - 1] != '\r') Fail("LF without CR");
}

// A model file of a plane: N = -15 m + 0.01 m per row + 0.005 m per column.
std::string MakeModel(const std::string& folder) {
  std::vector<std::int32_t> values(solvanta::kGridValueCount);
  for (std::size_t k = 0; k < values.size(); ++k)
    values[k] = -1500000 + 1000 * static_cast<std::int32_t>(k / solvanta::kGridColumns) +
                500 * static_cast<std::int32_t>(k % solvanta::kGridColumns);
  const std::string path = folder + "/" + solvanta::kModelFileName;  // a grid without a record: the original
  Write(path, std::string_view(reinterpret_cast<const char*>(values.data()), values.size() * 4));
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::string model;
  static const std::string folder = [] {
    // Under TMPDIR when set: on a memory file system, syncing each result costs nothing.
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/orvane_fuzz_XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    const std::string modelFolder = pattern + "_model";
    std::filesystem::create_directory(modelFolder);
    model = MakeModel(modelFolder);
    return pattern;
  }();
  for (const auto& entry : std::filesystem::directory_iterator(folder)) std::filesystem::remove(entry.path());

  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = input.find('\0');
  static const char* const kLists[] = {"BL", "BLH_e", "BLH_n"};
  Write(folder + "/" + kLists[size % 3], input.substr(0, nul));
  if (nul != std::string_view::npos) {
    const std::string_view rest = input.substr(nul + 1);
    const std::size_t split = rest.find('\0');
    Write(folder + "/DELTAH.gps", rest.substr(0, split));
    Write(folder + "/BLH.grs", split == std::string_view::npos ? std::string_view() : rest.substr(split + 1));
  }

  solvanta::bench::SilentCalculatorHost host;
  const solvanta::ReferenceFrame frame = size % 2 == 0 ? solvanta::ReferenceFrame::Etrf89 : solvanta::ReferenceFrame::Etrf2000;
  static constexpr solvanta::CoordinateForm kForms[] = {
      solvanta::CoordinateForm::Dms, solvanta::CoordinateForm::Degrees, solvanta::CoordinateForm::Pl2000,
      solvanta::CoordinateForm::Pl1992, solvanta::CoordinateForm::Geocentric};
  solvanta::CalculationOptions options;
  options.coordinates = kForms[(size / 6) % 5];
  const orvane::RunOutcome outcome = solvanta::RunCalculation(host, folder, frame, model, options);
  if (outcome != orvane::RunOutcome::Finished && outcome != orvane::RunOutcome::Stopped &&
      outcome != orvane::RunOutcome::EndProgram)
    Fail("unknown outcome");
  for (const char* result : {"bln", "blh_n.1", "blh_e.1", "deltah1"})
    if (std::filesystem::is_regular_file(folder + "/" + result)) CheckResult(folder + "/" + result);
  return 0;
}
