#pragma once
// The one rule by which both terminal programs read their command line:
//   --name VALUE or --name=VALUE   an option that takes a value; the value may not be empty
//                                  (an empty --folder= is far more often an unset shell
//                                  variable than a wish for the current folder);
//   --name                         an option without a value;
//   --help, -h                     the help text;
//   --                             the end of the options; every later argument is positional;
//   anything not starting with "-" a positional argument.
// Options are matched whole (no abbreviations). An unknown option, a missing or empty value, or
// a value given to an option without one is a usage error.
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

struct CommandOption {
  std::string_view name;  // with its dashes: "--folder"
  bool takesValue = true;
};

struct ParsedOption {
  std::string_view name;   // as in the table
  std::string_view value;  // empty for an option without a value
};

struct CommandLine {
  bool help = false;                        // --help or -h seen (the rest is not read)
  std::string error;                        // a usage error; empty when the line is good
  std::vector<ParsedOption> options;        // in the order given
  std::vector<std::string_view> positional;  // in the order given
};

// Reads argv[1..argc-1] by the rule above against `table`. The views point into argv.
CommandLine ParseCommandLine(int argc, const char* const* argv, std::span<const CommandOption> table);

// A usage error of `program` on standard error ("<program>: <text>", then where the help is);
// returns the exit status 2.
int UsageError(std::string_view program, std::string_view text);

// What a terminal program does first with its line: the help text on standard output (exit
// status 0), or a usage error (status 2), also for a positional argument when `positionalAllowed`
// is false. -1 when the program goes on to its options.
int EarlyExit(const CommandLine& line, std::string_view program, std::string_view help, bool positionalAllowed = false);

}  // namespace orvane
