#include "names/request_plan.h"

#include <optional>
#include <string>
#include <string_view>

#include "errors/exceptions.h"
#include "names/path_rules.h"
#include "platform/full_path.h"
#include "platform/text_conversion.h"

namespace ostrel {
namespace {

bool IsDriveAlone(std::string_view directory) {
  const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  return directory.size() == 2 && isLetter(directory[0]) && directory[1] == ':';
}

char Separator(PathStyle style) {
  return style == PathStyle::Windows ? '\\' : '/';
}

bool IsWindowsSeparator(char c) {
  return c == '\\' || c == '/';
}

// A relative directory, or one relative to a drive's current directory ("D:sub"), stays relative
// however its ".." segments cancel: "sub\.." is the current directory, not the drive's root "\",
// and "D:sub\.." that of drive D, not the root of whichever drive is current. Normalising on its
// own would keep the separator after a cancelled first segment and so make the rest absolute.
// Nothing for any other directory (rooted, a network path, a URL, a device), which normalising
// takes as it stands.
std::optional<std::string> RelativeOutputDirectory(const std::string& directory) {
  const std::size_t driveLength = directory.size() >= 2 && directory[1] == ':' ? 2 : 0;
  const std::string_view drive(directory.data(), driveLength);
  const std::string rest = directory.substr(driveLength);
  if (rest.empty() || IsWindowsSeparator(rest.front()) || rest.find(':') != std::string::npos ||
      (driveLength != 0 && !IsDriveAlone(drive)))
    return std::nullopt;
  std::string normalized = NormalizeDirectory(rest + '\\', PathStyle::Windows);
  if (!normalized.empty() && IsWindowsSeparator(normalized.front()))
    normalized.erase(0, 1);
  return std::string(drive) + normalized;
}

// The directory that the output name is built on, with its trailing separator; empty for a bare
// name, so that the output lands in the current directory.
std::string OutputDirectory(const std::string& directory, PathStyle style) {
  if (directory.empty())
    return directory;
  if (style == PathStyle::Windows) {
    // "\" alone is the root of the current drive: another separator would make "\\", the start
    // of a network path, and send the output to another machine.
    if (directory == "\\")
      return directory;
    // "C:" alone is the current directory of drive C, where "C:a.2crypt" lies; "C:\" would be
    // the drive's root, another directory than the input's.
    if (IsDriveAlone(directory))
      return directory;
    if (const std::optional<std::string> relative = RelativeOutputDirectory(directory))
      return *relative;
  }
  // A POSIX root ("/" or a kept "//") already ends in its separator; adding one more would make
  // "//", which normalising keeps as a network-style prefix.
  if (style == PathStyle::Posix && directory.back() == '/') {
    return NormalizeDirectory(directory, style);
  }
  return NormalizeDirectory(directory + Separator(style), style);
}

}  // namespace

bool MarksArchive(std::string_view text) {
  return text.find(".zip.") != std::string_view::npos;
}

std::optional<uint64_t> PromisedPlainLength(const DecodedFileName& name) {
  if (name.RemovedMarker != ArchiveMarker::None)
    return std::nullopt;
  return name.PlainSize;
}

DecryptPlanning PlanDecryptRequest(std::string_view path, PathStyle style, ArchiveRule rule) {
  const SplitPathResult<std::string> parts = SplitPath(path, style);
  const std::string name = parts.Stem + parts.Extension;
  const DecodedFileName decoded = DecodeFileName(WidenSystemText(name));

  DecryptPlanning planning{
      DecryptOutcome::Run,
      {decoded.Method, std::string(path),
       OutputDirectory(parts.Directory, style) + NarrowSystemText(decoded.PlainName), false},
      decoded};
  if (decoded.Method == EncryptionMethod::kNone) {
    planning.Outcome = DecryptOutcome::NoEncryption;
  } else if (!SelectsCipher(decoded.Method)) {
    planning.Outcome = DecryptOutcome::NoCipher;
  } else if (decoded.PlainName.empty()) {
    // ".2crypt" leaves no name: the output would be the directory itself, or a file named by the
    // archive rule alone (".zip"), neither of which is the plain file.
    throw EFCreateError("Cannot create file \"" + FullPathName(planning.Plan.OutputPath) + "\". " +
                        kDecodesToNothing);
  } else {
    const std::string_view searched = rule == ArchiveRule::WholePath ? path : name;
    planning.Archive = MarksArchive(searched);
    // The synchronizer archives such files; the plain name gets its ".zip" back.
    if (planning.Archive)
      planning.Plan.OutputPath += ".zip";
  }
  return planning;
}

RequestPlan PlanEncryptRequest(std::string_view path) {
  const CipherMethod& method = CipherMethodFor(EncryptionMethod::kRijndael);
  return {method.Method, std::string(path), std::string(path) + method.Suffix, true};
}

}  // namespace ostrel
