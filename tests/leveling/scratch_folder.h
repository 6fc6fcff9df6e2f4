#pragma once
// kvel's tests use the suite's one scratch folder.
#include "support/scratch_folder.h"

namespace kvel::testing {
using orvane::testing::ScratchFolder;
}  // namespace kvel::testing
