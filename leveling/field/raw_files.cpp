// Recognises a raw file by its first record and hands it to its reader.
#include <string_view>

#include "common/cp1250.h"
#include "leveling/field/format_readers.h"

namespace kvel::field {

bool ReadRawFile(const std::string& path, RawFile& file, ReadError& error) {
  file = RawFile();
  file.path = path;
  error = ReadError{path, 0, ""};
  bool m5 = false, found = false;
  {
    LineReaderSource probe;
    if (!probe.reader.Open(path)) {
      error.message = "nie można odczytać pliku";
      return false;
    }
    std::string_view line;
    while (!found && probe.Next(line)) {
      const std::size_t first = line.find_first_not_of(" \t\r");
      if (first == std::string_view::npos) continue;
      found = true;
      m5 = line.substr(first, 7) == "For M5|";
    }
  }
  if (!found) {
    error.message = "plik jest pusty";
    return false;
  }
  LineReaderSource source;
  if (!source.reader.Open(path)) {
    error.message = "nie można odczytać pliku";
    return false;
  }
  const bool ok = m5 ? ReadM5(source, file, error) : ReadGsi(source, file, error);
  if (ok && source.reader.Failed()) {
    error.message = "błąd odczytu pliku";
    return false;
  }
  return ok;
}

}  // namespace kvel::field
