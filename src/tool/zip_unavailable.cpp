// A build without an archive library: an archive stays the archive it is, and says why. The
// command line refuses --unzip in such a build, so this is reached only if that ever changes.
#include "tool/zip_extraction.h"

namespace ostrel {

ZipExtraction ExtractSingleEntry(int /*archiveHandle*/, uint64_t /*expectedSize*/,
                                 int /*outputHandle*/, const std::string& /*outputName*/) {
  ZipExtraction extraction;
  extraction.Refusal = "this build cannot read archives";
  return extraction;
}

}  // namespace ostrel
