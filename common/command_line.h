#pragma once
// The one rule by which both terminal programs read their command line:
//   --name VALUE or --name=VALUE   an option that takes a value; the value may not be empty
//                                  (an empty --folder= is far more often an unset shell
//                                  variable than a wish for the current folder);
//   --name                         an option without a value;
//   --help, -h                     the help text;
//   --version                      the program's name and the suite's version;
//   --                             the end of the options; every later argument is positional;
//   anything not starting with "-" a positional argument.
// Options are matched whole (no abbreviations). An unknown option, a missing or empty value, or
// a value given to an option without one is a usage error.
//
// Modes: a program that does several jobs (a calculation, listing the models, an import...)
// numbers them as bits of its own and names in each option's row the modes it belongs to, and
// for an option that chooses a mode, that mode. An option that does not belong to the mode of
// the line (say --licence of an import in a calculation run) is a usage error, not a silent
// no-op, and so are two options that choose different modes.
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// Every mode of a program: the default of an option's `modes`.
inline constexpr unsigned kEveryMode = ~0u;

struct CommandOption {
  std::string_view name;  // with its dashes: "--folder"
  bool takesValue = true;
  unsigned modes = kEveryMode;  // the modes (the program's bits) it belongs to
  unsigned chooses = 0;         // the mode it chooses; 0 for none
};

struct ParsedOption {
  std::string_view name;   // as in the table
  std::string_view value;  // empty for an option without a value
};

struct CommandLine {
  bool help = false;                        // --help or -h seen (the rest is not read)
  bool version = false;                     // --version seen (the rest is not read)
  std::string error;                        // a usage error; empty when the line is good
  std::vector<ParsedOption> options;        // in the order given
  std::vector<std::string_view> positional;  // in the order given
};

// Reads argv[1..argc-1] by the rule above against `table`. The views point into argv.
CommandLine ParseCommandLine(int argc, const char* const* argv, std::span<const CommandOption> table);

// The mode of `line`: the one its options choose, else `defaultMode`. An error (in
// `line.error`) when two options choose different modes or an option does not belong to the
// mode; then the default mode is returned.
unsigned ResolveMode(CommandLine& line, std::span<const CommandOption> table, unsigned defaultMode);

// The suite's version ("1.0"), one for every program (the project version of the build).
std::string_view Version();

// A usage error of `program` on standard error ("<program>: <text>", then where the help is);
// returns the exit status 2.
int UsageError(std::string_view program, std::string_view text);

// What a terminal program does first with its line: the help text or the version on standard
// output (exit status 0), or a usage error (status 2), also for a positional argument when `positionalAllowed`
// is false. -1 when the program goes on to its options.
int EarlyExit(const CommandLine& line, std::string_view program, std::string_view help, bool positionalAllowed = false);

// A folder named on a command line without its trailing separators ("/" stays "/"), so that
// messages and the paths made from it read one way.
void TrimFolderName(std::string& folder);

// The line of a window program, in two steps around the window toolkit, which takes its own
// options (-platform, -style...) out of argv when it starts:
//  - before it starts (and needs a display): --help or --version anywhere before "--" gives
//    the text and status 0; -1 otherwise;
//  - after it: the rest of the line may hold one positional argument, the working folder of
//    this session, made absolute (empty when none is given); anything else is a usage error,
//    status 2. -1 when the program goes on.
int WindowEarlyExit(int argc, const char* const* argv, std::string_view program, std::string_view help);
int WindowFolderArgument(int argc, const char* const* argv, std::string_view program, std::string_view help,
                         std::string& folder);

}  // namespace orvane
