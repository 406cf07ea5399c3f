// ostrel names: what each encoded name decodes to, without a pass phrase and without reading a
// file.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "errors/exceptions.h"
#include "names/path_joining.h"
#include "names/request_plan.h"
#include "platform/directory_tree.h"
#include "platform/error_text.h"
#include "platform/file_status.h"
#include "tool/backup/backup_directory.h"
#include "tool/backup/name_description.h"
#include "tool/commands/shared_options.h"
#include "tool/commands/tool_commands.h"
#include "tool/keys/cipher_keys.h"
#include "tool/restore/work_list.h"
#include "tool/run/json_text.h"
#include "tool/run/standard_output.h"
#include "tool/run/terminal_text.h"

namespace ostrel {
namespace {

struct NamesOptions {
  std::vector<std::string> Paths;
  bool Recursive = false;
  bool Json = false;
};

struct NameToDescribe {
  std::string Path;
  // Found below a directory: the backup model's judgement of the entry, whose name (and so the
  // archive rule) is the file's own.
  std::optional<BackupEntry> InTree;
};

// The names to describe: each PATH as given, or with -r the files below a directory.
std::vector<NameToDescribe> NamesToDescribe(const NamesOptions& options, bool& failed) {
  std::vector<NameToDescribe> names;
  for (const std::string& path : options.Paths) {
    if (StatusOfPath(path).Kind != FileKind::Directory) {
      names.push_back({path, std::nullopt});
      continue;
    }
    if (!options.Recursive) {
      (void)std::fprintf(stderr, "ostrel: %s: is a directory (use -r to list the files below it)\n",
                         EscapeControlCharacters(path).c_str());
      failed = true;
      continue;
    }
    // Every file is described on its own, whichever copy a restore would take.
    BackupChoices everyCopy;
    everyCopy.EveryCopy = true;
    everyCopy.IncludeIncomplete = true;
    // Per directory on the way down: its entries as judged, by name.
    std::vector<std::map<std::string, BackupEntry>> judged;
    TreeVisitor visitor;
    visitor.Listed = [&](const ListedDirectory& listed) {
      std::vector<ListedName> listedNames;
      for (const DirectoryEntry& entry : listed.Entries)
        listedNames.push_back({entry.Name, entry.Kind});
      judged.emplace_back();
      for (BackupEntry& entry : ReadBackupDirectory(listedNames, everyCopy))
        judged.back().emplace(entry.SourceName, std::move(entry));
    };
    visitor.Finished = [&](const ListedDirectory&) { judged.pop_back(); };
    visitor.Entry = [&](const ListedDirectory& listed, const DirectoryEntry& entry) {
      const auto found = judged.back().find(entry.Name);
      if (entry.Kind == FileKind::Regular && found != judged.back().end())
        names.push_back({JoinPath(listed.Directory->Path(), entry.Name), found->second});
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

// The output that decrypt gives the file: in a tree under the name the backup model gives it.
std::string OutputOf(const NameToDescribe& name) {
  std::string beside =
      PlanDecryptRequest(name.Path, kHostPathStyle,
                         name.InTree ? ArchiveRule::FileName : ArchiveRule::WholePath)
          .Plan.OutputPath;
  if (!name.InTree || FileNameOf(beside) == name.InTree->PlainName)
    return beside;
  return JoinPath(ParentOf(beside), name.InTree->PlainName);
}

// Whether decrypt takes the file for an archive, by the same rule as its output.
bool IsArchive(const NameToDescribe& name) {
  return PlanDecryptRequest(name.Path, kHostPathStyle,
                            name.InTree ? ArchiveRule::FileName : ArchiveRule::WholePath)
      .Archive;
}

void PrintText(const NameToDescribe& name, const NameDescription& description) {
  const std::string& path = name.Path;
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
          EscapeControlCharacters(OutputOf(name));
  if (description.PlainSize)
    line += ", plain size " + std::to_string(*description.PlainSize);
  if (IsArchive(name))
    line += ", archive";
  if (description.Incomplete)
    line += ", incomplete";
  if (description.TimeStamp)
    line += ", time stamp " + EscapeControlCharacters(*description.TimeStamp);
  PrintLine(line);
}

void PrintJson(const NameToDescribe& name, const NameDescription& description) {
  const std::string& path = name.Path;
  nlohmann::json object;
  SetJsonName(object, "input", path);
  object["method"] = MethodNumber(description.Method);
  object["cipher"] = CipherNameOrNone(description.Method);
  if (description.DateError) {
    object["error"] = *description.DateError;
  } else {
    SetJsonName(object, "plain_name", description.PlainName);
    const bool decodes = SelectsCipher(description.Method) && !description.PlainName.empty();
    if (decodes) {
      SetJsonName(object, "output", OutputOf(name));
    } else {
      object["output"] = nullptr;
    }
    object["archive"] = decodes && IsArchive(name);
    object["incomplete"] = description.Incomplete;
    object["plain_size"] =
        description.PlainSize ? nlohmann::json(*description.PlainSize) : nlohmann::json(nullptr);
    object["time_stamp"] =
        description.TimeStamp ? nlohmann::json(*description.TimeStamp) : nlohmann::json(nullptr);
  }
  PrintLine(JsonLine(object));
}

int DescribeNames(const NamesOptions& options) {
  bool failed = false;
  for (const NameToDescribe& name : NamesToDescribe(options, failed)) {
    const std::string& path = name.Path;
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
      PrintJson(name, description);
    } else {
      PrintText(name, description);
    }
  }
  if (const int error = FinishStandardOutput(); error != 0) {
    (void)std::fprintf(stderr, "ostrel: %s\n", StandardOutputFailureText(error).c_str());
    return 1;
  }
  return failed ? 1 : 0;
}

class NamesCommandLine : public ToolCommand {
 public:
  CLI::App& AddTo(CLI::App& tool) override {
    CLI::App& command = *tool.add_subcommand(
        "names",
        "Show what encoded file names decode to, in this order: method and cipher, plain name, "
        "output, plain size, whether it is an archive or an incomplete transfer, and the time "
        "stamp as a date and time. Needs no pass phrase and reads no file.");
    AddPathsArgument(command, options_.Paths, "encoded file names (or, with -r, directories)");
    command.add_flag("-r,--recursive", options_.Recursive, "list every file below each directory");
    command.add_flag("--json", options_.Json, "print one JSON object per name");
    command.footer(
        "Exit status: 0 when every name was described; 1 when any could not be (a directory "
        "without -r, one that cannot be read, a time stamp naming a day that does not exist) or "
        "standard output could not take the list; 2 for a usage error.");
    return command;
  }

  int Run() override { return DescribeNames(options_); }

 private:
  NamesOptions options_;
};

}  // namespace

std::unique_ptr<ToolCommand> NamesCommand() {
  return std::make_unique<NamesCommandLine>();
}

}  // namespace ostrel
