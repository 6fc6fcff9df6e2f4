#pragma once
// The folder as a run killed in the middle of its commit leaves it: the commit record (a header,
// one line per file, the end line with the count and the FNV-1a checksum of what precedes it) and
// the temporaries it lists, beside the earlier results.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "common/replacement_file.h"

namespace orvane::testing {

inline std::string CommitRecord(const std::vector<std::pair<std::string, std::string>>& files) {
  std::string text = "ORVANE-COMMIT 1\n";
  for (const auto& [temporary, result] : files) text += temporary + "\t" + result + "\n";
  std::uint64_t hash = 14695981039346656037ULL;
  for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
  char sum[17];
  std::snprintf(sum, sizeof sum, "%016llx", static_cast<unsigned long long>(hash));
  return text + "END " + std::to_string(files.size()) + " " + sum + "\n";
}

// The temporary name of `result` in such a folder.
inline std::string TemporaryOf(const std::string& result) { return std::string(kTemporaryPrefix) + result + ".1"; }

// Lays in `folder` a whole record for `results` (name and new contents), their temporaries and
// nothing renamed yet: the next program to open the folder is to carry it out.
inline void LayKilledCommit(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& results) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& [name, contents] : results) {
    std::ofstream(folder + "/" + TemporaryOf(name), std::ios::binary) << contents;
    files.emplace_back(TemporaryOf(name), name);
  }
  std::ofstream(folder + "/" + std::string(kCommitRecordName), std::ios::binary) << CommitRecord(files);
}

}  // namespace orvane::testing
