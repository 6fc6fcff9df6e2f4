#include "common/command_line.h"

#include <iostream>

namespace orvane {

CommandLine ParseCommandLine(int argc, const char* const* argv, std::span<const CommandOption> table) {
  CommandLine line;
  bool optionsEnded = false;
  for (int a = 1; a < argc; ++a) {
    const std::string_view arg = argv[a];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      line.positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      line.help = true;
      return line;
    }
    std::string_view name = arg;
    std::string_view value;
    const auto eq = arg.find('=');
    const bool inlineValue = arg.starts_with("--") && eq != std::string_view::npos;
    if (inlineValue) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    const CommandOption* option = nullptr;
    for (const CommandOption& candidate : table)
      if (candidate.name == name) option = &candidate;
    if (option == nullptr) {
      line.error = "unknown argument '" + std::string(arg) + "'";
      return line;
    }
    if (!option->takesValue) {
      if (inlineValue) {
        line.error = "option " + std::string(name) + " takes no value";
        return line;
      }
    } else if (!inlineValue) {
      if (a + 1 >= argc) {
        line.error = "option " + std::string(name) + " needs a value";
        return line;
      }
      value = argv[++a];
    }
    if (option->takesValue && value.empty()) {
      line.error = "option " + std::string(name) + " needs a value";
      return line;
    }
    line.options.push_back({option->name, value});
  }
  return line;
}

int UsageError(std::string_view program, std::string_view text) {
  std::cerr << program << ": " << text << "\nTry '" << program << " --help'.\n";
  return 2;
}

int EarlyExit(const CommandLine& line, std::string_view program, std::string_view help, bool positionalAllowed) {
  if (line.help) {
    std::cout << help;
    return 0;
  }
  if (!line.error.empty()) return UsageError(program, line.error);
  if (!positionalAllowed && !line.positional.empty())
    return UsageError(program, "unknown argument '" + std::string(line.positional[0]) + "'");
  return -1;
}

}  // namespace orvane
