#pragma once
// A host of the calculator run that shows nothing and has every task switch set, for timing and
// fuzzing the run without a window.
#include <string>

#include "quasigeoid/calculator_run.h"

namespace solvanta::bench {

class SilentCalculatorHost : public CalculatorHost {
 public:
  bool IsTaskSwitchSet(TaskSwitch) override { return true; }
  void HighlightPanel(ResultPanel) override {}
  void AdvanceGauge(int) override {}
  void CloseProgressWindow() override {}
  void ShowMessage(const std::string&) override {}
  void ShowInformation(const std::string&) override {}
};

}  // namespace solvanta::bench
