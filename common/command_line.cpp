#include "common/command_line.h"

#include <iostream>
#include <vector>

#include "common/platform.h"

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
    if (arg == "--version") {
      line.version = true;
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

unsigned ResolveMode(CommandLine& line, std::span<const CommandOption> table, unsigned defaultMode) {
  auto row = [&table](std::string_view name) -> const CommandOption& {
    for (const CommandOption& option : table)
      if (option.name == name) return option;
    static constexpr CommandOption kUnknown{};
    return kUnknown;
  };
  std::string_view chooser;
  unsigned mode = defaultMode;
  for (const ParsedOption& given : line.options) {
    const unsigned chosen = row(given.name).chooses;
    if (chosen == 0) continue;
    if (!chooser.empty() && chosen != mode) {
      line.error = "option " + std::string(given.name) + " does not go with " + std::string(chooser);
      return defaultMode;
    }
    if (chooser.empty()) chooser = given.name;
    mode = chosen;
  }
  for (const ParsedOption& given : line.options) {
    const unsigned modes = row(given.name).modes;
    if ((modes & mode) != 0) continue;
    line.error = "option " + std::string(given.name);
    if (!chooser.empty()) {
      line.error += " does not go with " + std::string(chooser);
      return defaultMode;
    }
    // Say which option it needs, when one chooses its mode.
    for (const CommandOption& option : table) {
      if ((option.chooses & modes) != 0) {
        line.error += " goes only with " + std::string(option.name);
        return defaultMode;
      }
    }
    line.error += " does not belong to this kind of run";
    return defaultMode;
  }
  return mode;
}

std::string_view Version() { return ORVANE_VERSION; }

int UsageError(std::string_view program, std::string_view text) {
  std::cerr << program << ": " << text << "\nTry '" << program << " --help'.\n";
  return 2;
}

int EarlyExit(const CommandLine& line, std::string_view program, std::string_view help, bool positionalAllowed) {
  if (line.help) {
    std::cout << help;
    return 0;
  }
  if (line.version) {
    std::cout << program << " (ORVANE) " << Version() << "\n";
    return 0;
  }
  if (!line.error.empty()) return UsageError(program, line.error);
  if (!positionalAllowed && !line.positional.empty())
    return UsageError(program, "unknown argument '" + std::string(line.positional[0]) + "'");
  return -1;
}

int WindowEarlyExit(int argc, const char* const* argv, std::string_view program, std::string_view help) {
  for (int a = 1; a < argc; ++a) {
    const std::string_view arg = argv[a];
    if (arg == "--") break;
    if (arg == "--help" || arg == "-h" || arg == "--version") {
      const char* const early[] = {argv[0], argv[a]};
      return EarlyExit(ParseCommandLine(2, early, {}), program, help);
    }
  }
  return -1;
}

int WindowFolderArgument(int argc, const char* const* argv, std::string_view program, std::string_view help,
                         std::string& folder) {
  const CommandLine line = ParseCommandLine(argc, argv, {});
  if (const int status = EarlyExit(line, program, help, true); status >= 0) return status;
  if (line.positional.size() > 1)
    return UsageError(program, "one working folder at most, not '" + std::string(line.positional[1]) + "'");
  folder.clear();
  if (line.positional.empty()) return -1;
  folder = line.positional[0];
  if (!platform::IsAbsolutePath(folder)) folder = platform::CurrentFolder() + "/" + folder;
  TrimFolderName(folder);
  return -1;
}

void TrimFolderName(std::string& folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
}

}  // namespace orvane
