// A part of a program kept in a shared library of its own, loaded only by the runs that need it:
// what that part links (a windowing toolkit, say) costs the other runs nothing at start-up.
#pragma once

#include <string_view>

namespace ostrel {

// The address of the function `entry` of the module at `relativePath`, a path relative to the
// folder that holds the running executable (links resolved), where the build and the
// installation put the program's modules. The module is loaded with all its symbols resolved at
// once, so a missing one is reported here rather than in the middle of the work, and stays
// loaded until the process ends. Throws Exception with the loader's own reason, which names the
// module.
void* ProgramModuleFunction(std::string_view relativePath, const char* entry);

}  // namespace ostrel
