// The second half of both requests: key a cipher component from the pass phrase and let it
// transform the whole file.
#pragma once

#include <string_view>

#include "names/request_plan.h"
#include "shell/request_stop.h"

namespace ostrel {

// Creates the component of the plan's method, keys it and runs the file operation; the component
// and its key are released on every path, and errors pass on unchanged. An output that the
// operation created is removed when it fails.
//
// With a stop switch, the input is read through a view that ends the run at the first read after
// the switch is set: the partial output is then removed, and RequestStopped says so.
void ExecuteRequest(const RequestPlan& plan, std::string_view passphrase,
                    const StopSwitch* stop = nullptr);

}  // namespace ostrel
