#pragma once
// Runs one of the built terminal programs through the shell: its exit status and its standard
// output and standard error together.
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace orvane::testing {

struct CliResult {
  int status = -1;
  std::string output;  // standard output and standard error together
};

// `program` is a file name in the build's bin folder; `args` is shell text.
inline CliResult RunProgram(const std::string& program, const std::string& args) {
  const std::string command = std::string(ORVANE_BIN_DIR) + "/" + program + " " + args + " 2>&1";
  CliResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  const int raw = ::pclose(pipe);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return result;
}

}  // namespace orvane::testing
