// Working through the files of a run on several threads. Each file is independent: one that fails
// does not stop the others, unless failFast asks for that, and then the files not yet started are
// reported as skipped.
#pragma once

#include <functional>
#include <vector>

#include "tool/file_outcome.h"
#include "tool/progress_display.h"
#include "tool/run_report.h"
#include "tool/work_list.h"

namespace ostrel {

using ItemWork = std::function<FileOutcome(const WorkItem&)>;

// Items that planning skipped or failed are reported without being worked on.
void RunBatch(const std::vector<WorkItem>& items, unsigned jobs, bool failFast, RunReport& report,
              ProgressCounters& counters, const ItemWork& work);

}  // namespace ostrel
