// The first half of both requests: which cipher runs, from which file, into which file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "names/encoded_name.h"
#include "names/path_style.h"

namespace ostrel {

struct RequestPlan {
  EncryptionMethod Method;  // one that selects a cipher
  std::string InputPath;    // exactly as the caller gave it
  std::string OutputPath;
  bool Encrypt;
};

enum class DecryptOutcome {
  Run,           // the plan is ready for execution
  NoEncryption,  // the name carries no encryption suffix: the user gets a note
  NoCipher,      // methods 3 to 7: nothing happens, silently
};

struct DecryptPlanning {
  DecryptOutcome Outcome;
  RequestPlan Plan;      // Method and OutputPath are meaningful only with Run
  DecodedFileName Name;  // what the decoder read from the file name
  // OutputPath got ".zip": the encrypted file holds an archive that the synchronizer made.
  bool Archive = false;
};

// Where the archive rule looks for ".zip.": the whole path as the caller gave it, or only the
// file's own name, so that a file inside a tree gets the same output name however the tree's
// root is spelled.
enum class ArchiveRule { WholePath, FileName };

// Whether the text marks an archive that the synchronizer made: it holds ".zip." (case-sensitive),
// so that the plain name gets its ".zip" back.
bool MarksArchive(std::string_view text);

// The plain length the file name promises: the size suffix after the encryption suffix, when no
// archive or incomplete marker says that the encrypted bytes are something else.
std::optional<uint64_t> PromisedPlainLength(const DecodedFileName& name);

// Why a name whose suffixes are all there is to it cannot be decrypted.
inline constexpr const char* kDecodesToNothing = "The name decodes to nothing";

// Decodes the file name of path and builds the output path beside it. Raises EConvertError for a
// time stamp naming a day its month lacks, and EFCreateError for a name that decodes to nothing.
DecryptPlanning PlanDecryptRequest(std::string_view path, PathStyle style,
                                   ArchiveRule rule = ArchiveRule::WholePath);

// Rijndael, the one method that encryption uses; the output is the path followed by its suffix
// ".2crypt". Nothing is decoded or normalised.
RequestPlan PlanEncryptRequest(std::string_view path);

}  // namespace ostrel
