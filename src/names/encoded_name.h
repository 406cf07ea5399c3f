// Reading an encoded file name: the encryption method from its ".Ncrypt" suffix, and the plain
// name left when that suffix, a size suffix, an archive marker and a time stamp are stripped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel {

// The digit N of ".Ncrypt" modulo 8: 0 none, 1 Triple-DES, 2 Rijndael-256, 3..7 no cipher.
using EncryptionMethod = int;

// The directory-entry record the rules rewrite in place.
struct TSearchRecW {
  std::u16string Name;
  uint32_t dwFileAttributes = 0;  // bits 24..26 carry the method
  uint32_t nFileSizeHigh = 0;
  uint32_t nFileSizeLow = 1000;
};

struct DecodedFileName {
  EncryptionMethod Method;
  std::u16string PlainName;
};

// Raises EConvertError for a time stamp whose day its month lacks.
DecodedFileName DecodeFileName(std::u16string_view name);

bool StripCryptSuffix(TSearchRecW& record);
bool StripCryptSizeSuffix(TSearchRecW& record);
bool StripArchiveSuffix(TSearchRecW& record);
bool StripTimeStamp(TSearchRecW& record, bool whole);

}  // namespace ostrel
