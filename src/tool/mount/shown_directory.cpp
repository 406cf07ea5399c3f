#include "tool/mount/shown_directory.h"

#include <algorithm>
#include <map>
#include <numeric>

#include "errors/exceptions.h"
#include "names/path_joining.h"
#include "names/request_plan.h"
#include "platform/text_conversion.h"
#include "tool/backup/output_times.h"

namespace ostrel {
namespace {

// What showing an encrypted file needs of its planned name, and no more: a directory of many
// thousands of files holds one of these per file while it is shown.
struct EncryptedCandidate {
  const ListedEntry* Listed;
  EncryptionMethod Method;
  std::string OutputName;  // the name decrypt gives the file, stamp removed
  std::optional<NameTimeStamp> Stamp;
  std::string StampedName;  // the stamp back in place; only when every version is shown
};

// The name the copy is shown under when all versions are: the stamp back in place, so that
// versions never hide each other. Planning may append ".zip" to the plain name; the stamped name
// keeps that ending.
std::string StampedShownName(const DecryptPlanning& planning, const std::string& shownName) {
  const std::string plain = NarrowSystemText(planning.Name.PlainName);
  return NarrowSystemText(PlainNameWithTimeStamp(planning.Name)) + shownName.substr(plain.size());
}

// The name decrypt would give the file, planned from the file name alone: what lies above the
// source is no part of the backup, so it must not change a name inside it.
std::optional<EncryptedCandidate> PlanShownName(const ListedEntry& listed, bool stampedNames,
                                                const LeftOutReport& leftOut) {
  try {
    const DecryptPlanning planning = PlanDecryptRequest(listed.Name, PathStyle::Posix);
    if (planning.Outcome != DecryptOutcome::Run)
      return std::nullopt;
    if (planning.Name.PlainName.empty()) {
      leftOut(listed.Name, "the name decodes to nothing");
      return std::nullopt;
    }
    EncryptedCandidate candidate{&listed,
                                 planning.Plan.Method,
                                 FileNameOf(planning.Plan.OutputPath, PathStyle::Posix),
                                 planning.Name.TimeStamp,
                                 {}};
    if (stampedNames && candidate.Stamp)
      candidate.StampedName = StampedShownName(planning, candidate.OutputName);
    return candidate;
  } catch (const EConvertError& error) {
    leftOut(listed.Name, error.Message());
    return std::nullopt;
  }
}

// Keeps one entry per name: a directory wins over files, since hiding it would hide a whole
// subtree; files that share a name are all left out.
std::vector<ShownEntry> WithoutSharedNames(std::vector<ShownEntry> entries,
                                           const LeftOutReport& leftOut) {
  // Sorted by position, not moved about: an entry is large, and a directory may hold thousands.
  std::vector<std::size_t> order(entries.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return entries[a].Name < entries[b].Name; });
  std::vector<ShownEntry> kept;
  kept.reserve(entries.size());
  for (std::size_t first = 0; first < order.size();) {
    const std::string& name = entries[order[first]].Name;
    std::size_t end = first + 1;
    while (end < order.size() && entries[order[end]].Name == name)
      ++end;
    if (end - first == 1) {
      kept.push_back(std::move(entries[order[first]]));
    } else {
      for (std::size_t index = first; index < end; ++index) {
        ShownEntry& entry = entries[order[index]];
        if (entry.Kind == ShownKind::Directory) {
          kept.push_back(std::move(entry));
        } else {
          leftOut(entry.SourceName,
                  "another entry of the directory would be shown as \"" + entry.Name + "\" too");
        }
      }
    }
    first = end;
  }
  return kept;
}

}  // namespace

std::vector<ShownEntry> ShowDirectory(const std::vector<ListedEntry>& listed,
                                      const ShowSettings& settings, const LeftOutReport& leftOut) {
  std::vector<ShownEntry> entries;
  std::vector<EncryptedCandidate> encrypted;
  for (const ListedEntry& entry : listed) {
    if (entry.Status.Kind == FileKind::Directory) {
      entries.push_back({entry.Name, entry.Name, ShownKind::Directory, EncryptionMethod::kNone,
                         entry.Status.Inode, std::nullopt});
      continue;
    }
    // Symbolic links and special files are never followed nor shown.
    if (entry.Status.Kind != FileKind::Regular)
      continue;
    const EncryptionMethod method = EncodedMethod(WidenSystemText(entry.Name));
    if (SelectsCipher(method)) {
      if (std::optional<EncryptedCandidate> candidate =
              PlanShownName(entry, settings.Versions == VersionChoice::All, leftOut))
        encrypted.push_back(std::move(*candidate));
    } else if (settings.ShowPlain) {
      entries.push_back({entry.Name, entry.Name, ShownKind::PlainFile, EncryptionMethod::kNone,
                         entry.Status.Inode, std::nullopt});
    }
  }

  std::vector<VersionCandidate> candidates;
  candidates.reserve(encrypted.size());
  for (const EncryptedCandidate& candidate : encrypted)
    candidates.push_back({candidate.OutputName, candidate.Stamp ? &*candidate.Stamp : nullptr});
  const std::vector<VersionDecision> decisions = SelectVersions(candidates, settings.Versions);
  for (std::size_t index = 0; index < encrypted.size(); ++index) {
    // Versions with one stamp are both shown under their one name, so that the check of shared
    // names leaves both out instead of showing either as the newest.
    if (decisions[index].Verdict == VersionVerdict::SkipEarlierVersion)
      continue;
    EncryptedCandidate& candidate = encrypted[index];
    std::string name =
        std::move(candidate.StampedName.empty() ? candidate.OutputName : candidate.StampedName);
    std::optional<int64_t> stampSeconds;
    if (candidate.Stamp)
      stampSeconds = StampSeconds(*candidate.Stamp, false);
    entries.push_back({std::move(name), candidate.Listed->Name, ShownKind::EncryptedFile,
                       candidate.Method, candidate.Listed->Status.Inode, stampSeconds});
  }
  return WithoutSharedNames(std::move(entries), leftOut);
}

const ShownEntry* FindShownEntry(const std::vector<ShownEntry>& entries, std::string_view name) {
  const auto found = std::lower_bound(
      entries.begin(), entries.end(), name,
      [](const ShownEntry& entry, std::string_view wanted) { return entry.Name < wanted; });
  if (found == entries.end() || found->Name != name)
    return nullptr;
  return &*found;
}

}  // namespace ostrel
