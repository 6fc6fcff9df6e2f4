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

}  // namespace orvane
