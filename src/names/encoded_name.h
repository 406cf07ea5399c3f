// Reading an encoded file name: the encryption method from its ".Ncrypt" suffix, the plain name
// left when that suffix, a size suffix, an archive marker and a time stamp are stripped, and what
// each of them said.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "names/encryption_method.h"

namespace ostrel {

// The directory-entry record the rules rewrite in place.
struct TSearchRecW {
  std::u16string Name;
  uint32_t dwFileAttributes = 0;  // bits 24..26 carry the method
  uint32_t nFileSizeHigh = 0;
  uint32_t nFileSizeLow = 1000;
};

// The marker that the archive rule removed: ".zip" for a file the synchronizer archived,
// ".incomplete" for one it had not finished copying.
enum class ArchiveMarker { None, Archive, Incomplete };

// A time stamp ".dYYYYMMDD-tHHMMSS" that decoding removed. Restoring a version under its own name
// puts Text back at Position; the fields read it as a time.
struct NameTimeStamp {
  std::u16string Text;       // the 18 characters exactly as the name wrote them
  std::size_t Position = 0;  // where they stood in the plain name (before its extension)
  int32_t Year = 0;
  int Month = 0;
  int Day = 0;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
};

struct DecodedFileName {
  EncryptionMethod Method = EncryptionMethod::kNone;
  std::u16string PlainName;
  // From the size suffix after ".Ncrypt", or from the one of a ".zip" marker, which takes its
  // place; nothing when neither carried one.
  std::optional<uint64_t> PlainSize;
  ArchiveMarker RemovedMarker = ArchiveMarker::None;
  // For an incomplete transfer, the size suffix before ".incomplete": the plain size of the whole
  // file, of which the stored file may hold less, so no plain length is promised by it.
  std::optional<uint64_t> IncompleteSize;
  std::optional<NameTimeStamp> TimeStamp;
};

// Raises EConvertError for a time stamp whose day its month lacks.
DecodedFileName DecodeFileName(std::u16string_view name);

// The method of the name's encryption suffix alone; never raises, whatever the rest of the name.
EncryptionMethod EncodedMethod(std::u16string_view name);

// The plain name with the removed time stamp back in its place ("notes.d20240131-t120000.txt" for
// "notes.d20240131-t120000.txt.s90.2crypt"), so that versions of one file keep apart; the plain
// name itself when there was none.
std::u16string PlainNameWithTimeStamp(const DecodedFileName& decoded);

bool StripCryptSuffix(TSearchRecW& record);
bool StripCryptSizeSuffix(TSearchRecW& record);
bool StripArchiveSuffix(TSearchRecW& record);
bool StripTimeStamp(TSearchRecW& record, bool whole);

}  // namespace ostrel
