#pragma once
// Runs one of the built programs as a user's script would, on Linux and on Windows alike: the
// arguments written as a shell line (blanks separate words, '...' quotes one), no shell in between,
// standard input empty, standard output and error captured apart (or together, in the order
// written, when asked).
#include <string>
#include <string_view>
#include <vector>

#include "common/platform.h"
#include "support/scratch_folder.h"

namespace orvane::testing {

// The path of a program built beside the tests (ORVANE_BIN_DIR), with the system's suffix (.exe).
inline std::string ProgramPath(std::string_view name) {
  return std::string(ORVANE_BIN_DIR) + "/" + std::string(name) + ORVANE_EXE_SUFFIX;
}

// The words of `line` as a POSIX shell splits them: blanks separate, single quotes keep
// everything up to the next single quote in one word.
inline std::vector<std::string> ShellWords(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '\'') {
      const auto close = line.find('\'', i + 1);
      word.append(line.substr(i + 1, close == std::string_view::npos ? std::string_view::npos : close - i - 1));
      i = close == std::string_view::npos ? line.size() : close;
      inWord = true;
    } else if (c == ' ' || c == '\t') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

struct ProgramResult {
  int status = -1;  // the exit status; -1 when it could not be started
  std::string out;  // standard output (with standard error when merged)
  std::string err;  // standard error, when not merged
};

inline ProgramResult RunProgram(const std::string& program, std::string_view arguments, bool mergeStreams = false) {
  const ScratchFolder capture;
  const std::string out = capture.File("stdout");
  const std::string err = mergeStreams ? out : capture.File("stderr");
  ProgramResult result;
  result.status = platform::RunProgram(program, ShellWords(arguments), out, err);
  result.out = capture.Read("stdout");
  if (!mergeStreams) result.err = capture.Read("stderr");
  return result;
}

}  // namespace orvane::testing

namespace orvane::testing {

// A terminal program of the build run by name, both streams together in the order written.
struct CliResult {
  int status = -1;
  std::string output;
};

inline CliResult RunBuiltProgram(std::string_view name, std::string_view arguments) {
  const ProgramResult run = RunProgram(ProgramPath(name), arguments, true);
  return CliResult{run.status, run.out};
}

}  // namespace orvane::testing
