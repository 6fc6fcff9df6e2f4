#pragma once
// A host for the adjustment run that records every call in order (boxes and MONITOR lines
// interleaved), for the tests of whole runs.
#include <string>
#include <vector>

#include "common/cp1250.h"
#include "leveling/adjustment_run.h"

namespace kvel::testing {

struct HostCall {
  enum Kind { Monitor, Message, Information, EditHint, FinalWarning };
  Kind kind;
  int index;         // MONITOR line for Monitor, else -1
  std::string text;  // as the run handed it (Windows-1250 bytes)
};

class RecordingRunHost : public AdjustmentHost {
 public:
  static constexpr int kMonitorLines = 41;

  RecordingRunHost() : monitor(kMonitorLines) { monitor[7] = " "; }

  void SetMonitorLine(int index, const std::string& text) override {
    calls.push_back({HostCall::Monitor, index, text});
    if (index >= 0 && index < kMonitorLines) monitor[static_cast<std::size_t>(index)] = text;
  }
  void ShowMessage(const std::string& text) override { calls.push_back({HostCall::Message, -1, text}); }
  void ShowInformation(const std::string& text) override { calls.push_back({HostCall::Information, -1, text}); }
  void ShowFinalWarning(const std::string& text) override { calls.push_back({HostCall::FinalWarning, -1, text}); }
  void ShowEditHint() override {
    calls.push_back({HostCall::EditHint, -1, {}});
    editHintShown = true;
  }

  // The boxes in order, in UTF-8, as "message: TEXT", "information: TEXT" or "warning: TEXT".
  std::vector<std::string> Boxes() const {
    std::vector<std::string> boxes;
    for (const auto& call : calls) {
      if (call.kind == HostCall::Message) boxes.push_back("message: " + orvane::FromCp1250(call.text));
      if (call.kind == HostCall::Information) boxes.push_back("information: " + orvane::FromCp1250(call.text));
      if (call.kind == HostCall::FinalWarning) boxes.push_back("warning: " + orvane::FromCp1250(call.text));
    }
    return boxes;
  }
  // The texts of one kind of box, in order, as the run handed them (Windows-1250 bytes).
  std::vector<std::string> Messages() const { return Texts(HostCall::Message); }
  std::vector<std::string> Informations() const { return Texts(HostCall::Information); }
  // MONITOR line `index` in UTF-8.
  std::string MonitorUtf8(int index) const { return orvane::FromCp1250(monitor[static_cast<std::size_t>(index)]); }

  std::vector<std::string> Texts(HostCall::Kind kind) const {
    std::vector<std::string> texts;
    for (const auto& call : calls)
      if (call.kind == kind) texts.push_back(call.text);
    return texts;
  }

  std::vector<HostCall> calls;
  std::vector<std::string> monitor;
  bool editHintShown = false;
};

}  // namespace kvel::testing
