#pragma once
// What every program of the suite does first, before anything opens a file.
namespace orvane {

// Standard input, output and error that were closed by the caller are opened again on
// /dev/null: otherwise the first result file would take descriptor 1 or 2, and messages would
// land inside it. A broken pipe (a reader of the messages that went away) no longer ends the
// process: SIGPIPE is ignored, the write fails quietly and the computation goes on.
void PrepareProcess();

}  // namespace orvane
