#include "leveling/field/level_import.h"

#include "common/settings_files.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "common/cp1250.h"
#include "common/folder_lock.h"
#include "common/line_reader.h"
#include "common/number_parse.h"
#include "common/point_record.h"
#include "common/record_tokenizer.h"
#include "common/replacement_file.h"
#include "common/text_writer.h"
#include "common/work_folder.h"
#include "leveling/field/field_book.h"
#include "leveling/field/reduction.h"

namespace kvel::field {

namespace {

// Names and heights of the folder's benchmark catalogue (h.sta, else xyh.sta); records the
// adjustment would refuse are passed over here, the adjustment tells of them.
std::map<std::string, double> ReadBenchmarkHeights(const std::string& folder) {
  std::map<std::string, double> heights;
  std::string path = orvane::StandardFilePath(folder, "h.sta");
  int heightField = 2;
  if (!orvane::FileExists(path)) {
    path = orvane::StandardFilePath(folder, "xyh.sta");
    heightField = 4;
  }
  orvane::LineReader reader;
  if (!orvane::FileExists(path) || !reader.Open(path)) return heights;
  orvane::FieldTable fields;
  int count = 0;
  std::string line;
  while (reader.ReadLine(line)) {
    orvane::SplitFields(line, fields, count);
    if (count < heightField || fields[1] == "0") continue;
    double h = 0;
    if (!orvane::ParseNumber(fields[heightField], h) || h == -1) continue;
    heights.emplace(fields[1].substr(0, orvane::kPointNrLength), h);
  }
  return heights;
}

// The unit mean error of an existing observation file's end record; 0 when it has none.
double EndRecordUnitError(const std::string& bytes) {
  std::istringstream in(bytes);
  std::string line;
  orvane::FieldTable fields;
  int count = 0;
  while (std::getline(in, line)) {
    orvane::SplitFields(line, fields, count);
    if (count >= 4 && fields[1] == "0") {
      double mo = 0;
      return orvane::ParseNumber(fields[3], mo) && mo > 0 && mo < 1 ? mo : 0;
    }
  }
  return 0;
}

// A name that deltah can hold as it stands: no separator, not the end record's "0", at most 16
// characters (longer names would be cut and could merge with others).
std::string NameProblem(const std::string& name) {
  if (name.empty()) return "punkt bez numeru";
  if (name == "0") return "punkt o numerze 0 (w deltah to rekord końcowy)";
  if (name.size() > static_cast<std::size_t>(orvane::kPointNrLength)) return "numer punktu " + name + " dłuższy niż 16 znaków";
  for (unsigned char c : name)
    if (!orvane::IsFieldChar(c)) return "numer punktu \"" + name + "\" zawiera separator pól";
  return {};
}

std::string Utf8Path(const std::string& path) { return orvane::IsValidUtf8(path) ? path : orvane::FromCp1250(path); }

}  // namespace

double KeptMisclosureK(const orvane::SettingsFiles& settings) {
  double k = 0;
  const std::string text = orvane::ReadSetting(settings, kTurningPointsSection, kMisclosureKKey, "");
  return orvane::ParseNumber(text, k) && k > 0 && k < 1000 ? k : 0;
}

ImportResult ImportLevelFiles(const std::string& workFolder, const ImportOptions& options) {
  ImportResult result;
  auto fail = [&](const std::string& message) {
    result.status = 1;
    result.messages.push_back(message);
    return result;
  };
  if (options.files.empty()) return fail("nie podano plików z niwelatora");

  orvane::FolderLock lock;
  if (lock.Acquire(workFolder) == orvane::FolderLock::Result::Busy)
    return fail(orvane::FromCp1250(orvane::FolderBusyMessage(workFolder)));

  std::vector<RawFile> files(options.files.size());
  for (std::size_t f = 0; f < options.files.size(); ++f) {
    ReadError error;
    if (!ReadRawFile(options.files[f], files[f], error))
      return fail(Utf8Path(error.path) + (error.line > 0 ? ":" + std::to_string(error.line) : std::string()) + ": " +
                  error.message + "; nic nie zapisano");
  }

  const std::map<std::string, double> heights = ReadBenchmarkHeights(workFolder);
  SectionRules rules;
  rules.turningPoints = options.turningPoints;
  for (const auto& [name, h] : heights) rules.benchmarks.insert(name);
  Reduction reduction;
  std::string error;
  if (!Reduce(files, rules, reduction, error)) return fail(error + "; nic nie zapisano");
  if (reduction.sections.empty()) return fail("pliki nie zawierają żadnego stanowiska niwelacji; nic nie zapisano");

  for (const SectionRun& s : reduction.sections) {
    const std::string where = Utf8Path(files[s.file].path) + ":" + std::to_string(s.firstSourceLine) + ": ";
    for (const std::string* name : {&s.from, &s.to}) {
      const std::string problem = NameProblem(*name);
      if (!problem.empty()) return fail(where + problem + "; nic nie zapisano");
    }
    if (s.from == s.to) return fail(where + "odcinek zaczyna się i kończy w punkcie " + orvane::FromCp1250(s.from) + "; nic nie zapisano");
    if (options.parameter == AccuracyParameter::Length && !(s.length > 0))
      return fail(where + "odcinek " + orvane::FromCp1250(s.from) + " - " + orvane::FromCp1250(s.to) +
                  " bez długości celowych (użyj --parameter n); nic nie zapisano");
  }

  const std::string deltahPath = orvane::StandardFilePath(workFolder, "deltah");
  std::string oldDeltah;
  const bool exists = orvane::FileExists(deltahPath);
  if (exists) {
    if (!options.replace) {
      result.deltahExists = true;
      return fail("plik deltah już istnieje; zastąpienie wymaga zgody (--replace); nic nie zapisano");
    }
    std::ifstream in(deltahPath, std::ios::binary);
    if (!in) return fail("nie można odczytać istniejącego pliku deltah; nic nie zapisano");
    oldDeltah.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  double unitError = EndRecordUnitError(oldDeltah);
  if (unitError == 0) unitError = kDefaultUnitError;

  orvane::ResultFiles group;
  auto create = [&](orvane::TextWriter& writer, const char* name) {
    return writer.Create(orvane::StandardFilePath(workFolder, name), &group);
  };
  orvane::TextWriter backup, deltah, book, intermediates;
  if (exists) {
    if (!create(backup, "deltah.bak")) return fail("nie można utworzyć pliku deltah.bak; nic nie zapisano");
    backup.Write(oldDeltah);
  }
  if (!create(deltah, "deltah") || !create(book, "dziennik.osn") || !create(intermediates, "posrednie"))
    return fail("nie można utworzyć plików wynikowych w folderze; nic nie zapisano");

  char buffer[160];
  for (const SectionRun& s : reduction.sections) {
    std::string record = s.from;
    record.resize(std::max<std::size_t>(record.size(), 16), ' ');
    record += ' ' + s.to;
    record.resize(std::max<std::size_t>(record.size(), 33), ' ');
    if (options.parameter == AccuracyParameter::Length)
      std::snprintf(buffer, sizeof buffer, " %12.5f %10.3f", s.dh, std::max(0.001, s.length / 1000.0));
    else
      std::snprintf(buffer, sizeof buffer, " %12.5f %6d", s.dh, s.setups);
    deltah.Line(record + buffer);
  }
  std::snprintf(buffer, sizeof buffer, "0 0 %.5f 0", unitError);
  deltah.Line(buffer);

  for (const IntermediateReduction& i : reduction.intermediates) {
    std::string record = i.point;
    record.resize(std::max<std::size_t>(record.size(), 16), ' ');
    record += ' ' + i.backPoint;
    record.resize(std::max<std::size_t>(record.size(), 33), ' ');
    std::snprintf(buffer, sizeof buffer, " %12.5f %8.2f", i.dh, i.sight);
    intermediates.Line(record + buffer);
  }

  FieldBookInput in;
  in.files = &files;
  in.reduction = &reduction;
  in.benchmarkHeights = &heights;
  in.options = &options;
  in.unitError = unitError;
  WriteFieldBook(book, in);

  for (orvane::TextWriter* w : {&backup, &deltah, &book, &intermediates})
    if (w->IsOpen() && !w->Close()) {
      group.Discard();
      return fail("błąd zapisu pliku " + Utf8Path(w->Path()) + "; nic nie zapisano");
    }
  if (!group.Commit()) return fail("nie można zastąpić pliku " + Utf8Path(group.FailedTarget()));

  for (const RawFile& file : files)
    for (const std::string& w : file.warnings) result.messages.push_back(Utf8Path(file.path) + ": " + w);
  for (const std::string& w : reduction.warnings) result.messages.push_back(w);
  result.sections = static_cast<int>(reduction.sections.size());
  result.messages.push_back("Zapisano deltah (odcinków: " + std::to_string(result.sections) +
                            (exists ? "; poprzedni jako deltah.bak" : "") + "), dziennik.osn i posrednie");
  return result;
}

}  // namespace kvel::field
