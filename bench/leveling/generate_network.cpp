// generate_network: writes a large, deterministic levelling network (deltah and h.sta) into a
// folder, for benchmarks and for trying kvel on big inputs.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>

#include "network_generator.h"

namespace {

const char* const kUsage =
    "Usage: generate_network --folder DIR [--points N] [--observations N] [--benchmarks N]\n"
    "                        [--tied N] [--seed S] [--mo M]\n"
    "  --points        points of the network (default 1000)\n"
    "  --observations  height differences (default 2000; more when needed to connect the points)\n"
    "  --benchmarks    records of h.sta (default 20)\n"
    "  --tied          benchmark records that are network points (default: one per 100 points)\n"
    "  --seed          seed of the generator (default 1): equal seeds give equal files\n"
    "  --mo            unit mean error in m per sqrt(km) (default 0.0010)\n";

bool ParseCount(std::string_view text, long long low, long long high, long long& value) {
  char* end = nullptr;
  const std::string s(text);
  value = std::strtoll(s.c_str(), &end, 10);
  return !s.empty() && *end == '\0' && value >= low && value <= high;
}

}  // namespace

int main(int argc, char** argv) {
  kvel::bench::NetworkShape shape;
  std::string folder;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help") {
      std::cout << kUsage;
      return 0;
    }
    if (i + 1 >= argc) {
      std::cerr << kUsage;
      return 2;
    }
    const std::string_view value = argv[++i];
    long long n = 0;
    bool ok = true;
    if (arg == "--folder") folder = value;
    else if (arg == "--points") ok = ParseCount(value, 2, 10'000'000, n), shape.points = static_cast<int>(n);
    else if (arg == "--observations") ok = ParseCount(value, 1, 10'000'000, n), shape.observations = static_cast<int>(n);
    else if (arg == "--benchmarks") ok = ParseCount(value, 0, 10'000'000, n), shape.benchRecords = static_cast<int>(n);
    else if (arg == "--tied") ok = ParseCount(value, 1, 10'000'000, n), shape.tiedBenchmarks = static_cast<int>(n);
    else if (arg == "--seed") ok = ParseCount(value, 0, (1LL << 62), n), shape.seed = static_cast<std::uint64_t>(n);
    else if (arg == "--mo") {
      char* end = nullptr;
      const std::string s(value);
      shape.unitError = std::strtod(s.c_str(), &end);
      ok = !s.empty() && *end == '\0' && shape.unitError > 0 && shape.unitError < 1;
    } else ok = false;
    if (!ok) {
      std::cerr << "generate_network: bad argument " << arg << " " << value << "\n" << kUsage;
      return 2;
    }
  }
  if (folder.empty()) {
    std::cerr << kUsage;
    return 2;
  }
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  const kvel::bench::GeneratedNetwork network = kvel::bench::GenerateNetwork(shape);
  if (!kvel::bench::WriteNetwork(network, folder)) {
    std::cerr << "generate_network: cannot write into " << folder << "\n";
    return 1;
  }
  std::cout << network.names.size() << " points, " << network.observations.size() << " observations, "
            << network.benchmarks.size() << " benchmark records written to " << folder << "\n";
  return 0;
}
