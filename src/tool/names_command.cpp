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
#include "tool/standard_output.h"
#include "tool/terminal_text.h"
#include "tool/tool_commands.h"
#include "tool/work_list.h"

namespace ostrel {
namespace {

// The names to describe: each PATH as given, or with -r the files below a directory.
std::vector<std::string> NamesToDescribe(const ToolOptions& options, bool& failed) {
  std::vector<std::string> names;
  for (const std::string& path : options.Paths) {
    if (StatusOfPath(path).Kind != FileKind::Directory) {
      names.push_back(path);
      continue;
    }
    if (!options.Recursive) {
      (void)std::fprintf(stderr, "ostrel: %s: is a directory (use -r to list the files below it)\n",
                         EscapeControlCharacters(path).c_str());
      failed = true;
      continue;
    }
    TreeVisitor visitor;
    visitor.Entry = [&](const ListedDirectory& listed, const DirectoryEntry& entry) {
      if (entry.Kind == FileKind::Regular)
        names.push_back(JoinPath(listed.Directory->Path(), entry.Name));
    };
    visitor.Unreadable = [&](const std::string& relative, int error) {
      (void)std::fprintf(stderr, "ostrel: %s: %s\n",
                         EscapeControlCharacters(JoinPath(path, relative)).c_str(),
                         SystemErrorText(error).c_str());
      failed = true;
    };
    WalkTree(path, visitor);
  }
  return names;
}

void PrintText(const std::string& path, const NameDescription& description) {
  if (!SelectsCipher(description.Method)) {
    PrintLine(EscapeControlCharacters(path) + ": " + NoCipherReason(description.Method));
    return;
  }
  std::string line = EscapeControlCharacters(path) + ": method " +
                     std::to_string(MethodNumber(description.Method)) + " (" +
                     CipherMethodFor(description.Method).CipherName + ")";
  if (description.PlainName.empty()) {
    PrintLine(line + ", but the name decodes to nothing");
    return;
  }
  line += ", plain name " + EscapeControlCharacters(description.PlainName) + ", output " +
          EscapeControlCharacters(PlanDecryptRequest(path, kHostPathStyle).Plan.OutputPath);
  if (description.PlainSize)
    line += ", plain size " + std::to_string(*description.PlainSize);
  if (description.TimeStamp)
    line += ", time stamp " + EscapeControlCharacters(*description.TimeStamp);
  PrintLine(line);
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
  PrintLine(JsonLine(object));
}

}  // namespace

int RunNamesCommand(const ToolOptions& options) {
  bool failed = false;
  for (const std::string& path : NamesToDescribe(options, failed)) {
    const NameDescription description = DescribeEncodedName(FileNameOf(path));
    if (description.DateError) {
      (void)std::fflush(stdout);
      (void)std::fprintf(stderr, "ostrel: %s: %s\n", EscapeControlCharacters(path).c_str(),
                         EscapeControlCharacters(*description.DateError).c_str());
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
  if (const int error = FinishStandardOutput(); error != 0) {
    (void)std::fprintf(stderr, "ostrel: %s\n", StandardOutputFailureText(error).c_str());
    return 1;
  }
  return failed ? 1 : 0;
}

}  // namespace ostrel
