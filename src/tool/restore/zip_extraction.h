// The file inside an archive that the synchronizer made: it compresses a file into an archive of
// one entry before encrypting it, and names the plain size in the encrypted name. Only such an
// archive is opened: one regular entry (or one that records no file type), a bare name, no
// encryption, a method the archive library reads, and exactly the size the name says. Anything
// else stays the archive it is, with the reason, so nothing of the backup is lost or written
// outside its place.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ostrel {

struct ZipExtraction {
  bool Extracted = false;
  std::string Refusal;  // why the archive stays as it is
  int64_t Bytes = 0;
  std::optional<int64_t> EntryTime;  // seconds since the epoch, when the archive records one
};

// Reads the archive in archiveHandle (left open) and streams its entry into outputHandle, never
// more than expectedSize and one read beyond it, so that an entry far larger than its name says
// costs nothing. A refusal may leave part of the entry in the output: the caller discards it.
// Raises Exception, naming outputName, when the output cannot be written.
ZipExtraction ExtractSingleEntry(int archiveHandle, uint64_t expectedSize, int outputHandle,
                                 const std::string& outputName);

}  // namespace ostrel
