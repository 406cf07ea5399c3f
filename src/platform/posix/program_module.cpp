#include "platform/program_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "errors/exceptions.h"

namespace ostrel {
namespace {

// The folder of the executable file itself, not of the link or the relative name it was started
// by: the modules lie beside the real file.
std::string ExecutableFolder() {
  char target[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", target, sizeof target);
  if (length <= 0 || static_cast<std::size_t>(length) == sizeof target)
    throw Exception("The program cannot find its own executable file");
  const std::string path(target, static_cast<std::size_t>(length));
  return path.substr(0, path.rfind('/') + 1);
}

std::string LoaderError() {
  const char* const text = dlerror();
  return text != nullptr ? text : "unknown reason";
}

}  // namespace

void* ProgramModuleFunction(std::string_view relativePath, const char* entry) {
  const std::string path = ExecutableFolder() + std::string(relativePath);
  // Never closed: a toolkit registers handlers that run at the process's exit.
  void* const module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr)
    throw Exception(LoaderError());
  void* const function = dlsym(module, entry);
  if (function == nullptr)
    throw Exception(LoaderError());
  return function;
}

}  // namespace ostrel
