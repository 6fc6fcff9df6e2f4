#include "quasigeoid/model_info.h"

#include <strings.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "common/cp1250.h"
#include "common/text_writer.h"
#include "common/platform.h"
#include "common/work_folder.h"

namespace solvanta {

std::string FileNameOf(const std::string& path) {
  const auto slash = orvane::platform::LastSeparator(path);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ModelRecordPath(const std::string& modelPath) {
  const auto slash = orvane::platform::LastSeparator(modelPath);
  const auto dot = modelPath.rfind('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  return (hasExtension ? modelPath.substr(0, dot) : modelPath) + kModelRecordExtension;
}

bool IsOriginalModelFile(const std::string& modelPath) {
  return ::strcasecmp(FileNameOf(modelPath).c_str(), "solvanta_2008QG.bin") == 0;
}

ModelInfo BareModelInfo(const std::string& modelPath) {
  ModelInfo info;
  info.name = FileNameOf(modelPath);
  if (info.name.size() > 4 && info.name.compare(info.name.size() - 4, 4, ".bin") == 0)
    info.name.resize(info.name.size() - 4);
  return info;
}

int HeightSystemEpsg(const std::string& label) {
  if (label == kEvrf2007Label) return kEvrf2007NhEpsg;
  if (label == kKron86Label) return kKron86NhEpsg;
  return 0;
}

bool IsValidHeightSystemLabel(const std::string& label) {
  if (label.empty() || label.size() > 24) return false;
  for (const char c : label) {
    if (!std::isgraph(static_cast<unsigned char>(c)) || c == ',' || c == ';') return false;
  }
  return true;
}

namespace {

std::string Value(const std::string& path, const char* key) {
  const std::string raw = orvane::ReadIniValue(path, kModelRecordSection, key, "");
  return orvane::IsValidUtf8(raw) ? raw : orvane::FromCp1250(raw);
}

bool ParseWhole(const std::string& text, long long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtoll(text.c_str(), &end, 10);
  return end && *end == '\0';
}

}  // namespace

RecordRead ReadModelRecord(const std::string& recordPath, ModelInfo& info) {
  if (!orvane::FileExists(recordPath)) return RecordRead::Absent;
  std::FILE* probe = orvane::platform::OpenFile(recordPath, "rb");
  if (!probe) return RecordRead::Invalid;
  std::fclose(probe);
  info = ModelInfo{};
  info.hasRecord = true;
  info.name = Value(recordPath, "name");
  info.heightSystem = Value(recordPath, "height_system");
  info.description = Value(recordPath, "description");
  info.source = Value(recordPath, "source");
  info.licence = Value(recordPath, "licence");
  long long number = 0;
  info.frameEpsg = ParseWhole(Value(recordPath, "frame_epsg"), number) ? static_cast<int>(number) : 0;
  info.heightSystemEpsg =
      ParseWhole(Value(recordPath, "height_system_epsg"), number) ? static_cast<int>(number) : 0;
  info.coveredNodes = ParseWhole(Value(recordPath, "covered_nodes"), number) ? number : -1;
  if (info.name.empty() || !IsValidHeightSystemLabel(info.heightSystem)) return RecordRead::Invalid;
  return RecordRead::Read;
}

bool WriteModelRecord(const std::string& recordPath, const ModelInfo& info) {
  orvane::TextWriter out;
  if (!out.Create(recordPath)) return false;
  // One record line per key: a line end inside a value becomes a blank.
  auto line = [&out](std::string utf8) {
    for (char& c : utf8) {
      if (c == '\r' || c == '\n') c = ' ';
    }
    out.Line(orvane::ToCp1250(utf8));
  };
  line("; ORVANE quasi-geoid model: the grid file of the same name (.bin) lies beside this record");
  line(std::string("[") + kModelRecordSection + "]");
  line("name=" + info.name);
  line("height_system=" + info.heightSystem);
  line("frame_epsg=" + std::to_string(info.frameEpsg));
  line("height_system_epsg=" + std::to_string(info.heightSystemEpsg));
  line("description=" + info.description);
  line("source=" + info.source);
  line("licence=" + info.licence);
  line("covered_nodes=" + std::to_string(info.coveredNodes));
  return out.Close();
}

}  // namespace solvanta
