#pragma once

namespace orvane {

// How a computation ended. A computation never ends the process itself: it returns EndProgram and
// the front end quits (the window program) or exits with a non-zero status (the terminal program).
enum class RunOutcome {
  Finished,    // reached its normal end
  Stopped,     // stopped on an error of the input, or did not start
  EndProgram,  // the program must end at once
};

}  // namespace orvane
