// ostrel names: what each encoded name decodes to, without a pass phrase and without reading a
// file.
#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "errors/exceptions.h"
#include "names/path_joining.h"
#include "names/request_plan.h"
#include "platform/directory_tree.h"
#include "platform/error_text.h"
#include "platform/file_status.h"
#include "tool/cipher_keys.h"
#include "tool/json_text.h"
#include "tool/name_description.h"
#include "tool/tool_commands.h"
#include "tool/work_list.h"

namespace ostrel {
namespace {

// The names to describe: each PATH as given, or with -r the files below a directory.
std::vector<std::string> NamesToDescribe(const ToolOptions& options, bool& failed) {
  std::vector<std::string> names;
  for (const std::string& path : options.Paths) {
    if (!options.Recursive || StatusOfPath(path).Kind != FileKind::Directory) {
      names.push_back(path);
      continue;
    }
    TreeVisitor visitor;
    visitor.Entry = [&](const ListedDirectory& listed, const DirectoryEntry& entry) {
      if (entry.Kind == FileKind::Regular)
        names.push_back(JoinPath(listed.Directory->Path(), entry.Name));
    };
    visitor.Unreadable = [&](const std::string& relative, int error) {
      (void)std::fprintf(stderr, "ostrel: %s: %s\n", JoinPath(path, relative).c_str(),
                         SystemErrorText(error).c_str());
      failed = true;
    };
    WalkTree(path, visitor);
  }
  return names;
}

void PrintText(const std::string& path, const NameDescription& description) {
  if (!SelectsCipher(description.Method)) {
    std::printf("%s: %s\n", path.c_str(), NoCipherReason(description.Method).c_str());
    return;
  }
  std::string line = path + ": method " + std::to_string(MethodNumber(description.Method)) + " (" +
                     CipherMethodFor(description.Method).CipherName + ")";
  if (description.PlainName.empty()) {
    std::printf("%s, but the name decodes to nothing\n", line.c_str());
    return;
  }
  line += ", plain name " + description.PlainName + ", output " +
          PlanDecryptRequest(path, kHostPathStyle).Plan.OutputPath;
  if (description.PlainSize)
    line += ", plain size " + std::to_string(*description.PlainSize);
  if (description.TimeStamp)
    line += ", time stamp " + *description.TimeStamp;
  std::printf("%s\n", line.c_str());
}

void PrintJson(const std::string& path, const NameDescription& description) {
  nlohmann::json object;
  SetJsonName(object, "input", path);
  object["method"] = MethodNumber(description.Method);
  object["cipher"] = CipherNameOrNone(description.Method);
  if (description.DateError) {
    object["error"] = *description.DateError;
  } else {
    SetJsonName(object, "plain_name", description.PlainName);
    if (SelectsCipher(description.Method) && !description.PlainName.empty()) {
      SetJsonName(object, "output", PlanDecryptRequest(path, kHostPathStyle).Plan.OutputPath);
    } else {
      object["output"] = nullptr;
    }
    object["plain_size"] =
        description.PlainSize ? nlohmann::json(*description.PlainSize) : nlohmann::json(nullptr);
    object["time_stamp"] =
        description.TimeStamp ? nlohmann::json(*description.TimeStamp) : nlohmann::json(nullptr);
  }
  std::printf("%s\n", JsonLine(object).c_str());
}

}  // namespace

int RunNamesCommand(const ToolOptions& options) {
  bool failed = false;
  for (const std::string& path : NamesToDescribe(options, failed)) {
    const NameDescription description = DescribeEncodedName(FileNameOf(path));
    if (description.DateError) {
      (void)std::fflush(stdout);
      (void)std::fprintf(stderr, "ostrel: %s: %s\n", path.c_str(), description.DateError->c_str());
      failed = true;
      if (!options.Json)
        continue;
    }
    if (options.Json) {
      PrintJson(path, description);
    } else {
      PrintText(path, description);
    }
  }
  (void)std::fflush(stdout);
  return failed ? 1 : 0;
}

}  // namespace ostrel
