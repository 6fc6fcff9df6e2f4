#pragma once
// A host for the calculator run that records every call in order, for the tests of runs.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/cp1250.h"
#include "quasigeoid/calculator_run.h"

namespace solvanta_testing {

// Records every call of a run, in order, as text (message texts converted to UTF-8).
class RecordingHost : public solvanta::CalculatorHost {
 public:
  RecordingHost() {
    for (int k = 1; k <= 4; ++k) switches[k] = true;
  }

  bool IsTaskSwitchSet(solvanta::TaskSwitch task) override {
    const int n = static_cast<int>(task);
    ++switchQuestions[n];
    if (onSwitchQuestion) return onSwitchQuestion(n, switchQuestions[n]);
    return switches[n];
  }
  void HighlightPanel(solvanta::ResultPanel panel) override {
    calls.push_back("highlight Panel" + std::to_string(static_cast<int>(panel)));
    if (onHighlight) onHighlight(static_cast<int>(panel));
  }
  void AdvanceGauge(int steps) override { gauge += steps; }
  void CloseProgressWindow() override { calls.push_back("close progress"); }
  void ShowMessage(const std::string& text) override {
    calls.push_back("message " + orvane::FromCp1250(text));
    if (onMessage) onMessage(text);
  }
  void ShowInformation(const std::string& text) override {
    calls.push_back("information " + orvane::FromCp1250(text));
  }

  std::map<int, bool> switches;
  std::map<int, int> switchQuestions;
  // When set, answers the switch question instead of `switches` (n, how many times asked).
  std::function<bool(int, int)> onSwitchQuestion;
  std::function<void(int)> onHighlight;
  std::function<void(const std::string&)> onMessage;
  std::vector<std::string> calls;
  long long gauge = 0;
};

}  // namespace solvanta_testing
