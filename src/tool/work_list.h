// The files of one run, decided before any is touched: which inputs, which outputs, which cipher,
// and which files are skipped or fail already at planning (no encryption suffix on a file named
// on the command line, a directory without -r, a missing file).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "names/encryption_method.h"
#include "tool/tool_options.h"

namespace ostrel {

enum class ItemState { Pending, Skipped, Failed };

struct WorkItem {
  std::string Input;
  std::string Output;  // empty when the output is standard output or there is none (verify)
  EncryptionMethod Method = EncryptionMethod::kNone;
  int64_t Size = 0;  // of the input, when planning could see it
  ItemState State = ItemState::Pending;
  std::string Reason;  // why it was skipped or failed
  // The output's directory in two parts: the one the user named (-o, a tree's root, a named
  // file's own directory), whose links are the user's choice, and the "/"-separated path below it
  // that the run walked or mirrors, which is entered without following any link.
  std::string OutputRoot;
  std::string OutputBelowRoot;
  std::optional<uint64_t> PromisedPlainLength = std::nullopt;  // what the name's size suffix says
};

// Plans decrypt, encrypt and verify runs. The order is that of the paths, each tree in name
// order.
std::vector<WorkItem> CollectWork(const ToolOptions& options);

// "no encryption detected" or "method N selects no cipher" for the methods that open nothing.
std::string NoCipherReason(EncryptionMethod method);

}  // namespace ostrel
