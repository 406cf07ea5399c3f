#include "tool/name_description.h"

#include <algorithm>
#include <iterator>

#include "errors/exceptions.h"
#include "names/path_rules.h"
#include "platform/text_conversion.h"

namespace ostrel {
namespace {

constexpr std::size_t kCryptSuffixLength = 7;  // ".Ncrypt"
constexpr std::size_t kTimeStampLength = 18;   // ".dYYYYMMDD-tHHMMSS"

char16_t LowerAscii(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

// The stamp's own shape; the rule has already checked its values.
bool LooksLikeTimeStamp(std::u16string_view stamp) {
  if (stamp.size() != kTimeStampLength || stamp[0] != u'.' || LowerAscii(stamp[1]) != u'd' ||
      stamp[10] != u'-' || LowerAscii(stamp[11]) != u't')
    return false;
  const std::size_t digits[] = {2, 3, 4, 5, 6, 7, 8, 9, 12, 13, 14, 15, 16, 17};
  return std::all_of(std::begin(digits), std::end(digits),
                     [&](std::size_t i) { return IsDigit(stamp[i]); });
}

bool EqualsIgnoringAsciiCase(std::u16string_view text, std::u16string_view lower) {
  if (text.size() != lower.size())
    return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (LowerAscii(text[i]) != lower[i])
      return false;
  }
  return true;
}

}  // namespace

std::string FindStrippedTimeStamp(std::u16string_view before, std::u16string_view after) {
  if (before.size() != after.size() + kTimeStampLength)
    return std::string();
  // The stamp sits where before and after part; of the places that fit, the last is the one the
  // rule takes (it works from the end of the name).
  for (std::size_t at = after.size() + 1; at-- > 0;) {
    const std::u16string_view stamp = before.substr(at, kTimeStampLength);
    if (before.substr(0, at) != after.substr(0, at) ||
        before.substr(at + kTimeStampLength) != after.substr(at) || !LooksLikeTimeStamp(stamp))
      continue;
    const std::string digits = NarrowSystemText(stamp);
    return digits.substr(2, 4) + "-" + digits.substr(6, 2) + "-" + digits.substr(8, 2) + " " +
           digits.substr(12, 2) + ":" + digits.substr(14, 2) + ":" + digits.substr(16, 2);
  }
  return std::string();
}

NameDescription DescribeEncodedName(std::string_view fileName) {
  NameDescription description;
  TSearchRecW record;
  record.Name = WidenSystemText(fileName);

  // The rules in the decoder's order, watching each one's effect.
  const std::size_t encodedLength = record.Name.size();
  bool sizeCarried =
      StripCryptSuffix(record) && record.Name.size() < encodedLength - kCryptSuffixLength;
  const std::u16string extension = SplitPath(record.Name, kHostPathStyle).Extension;
  if (StripArchiveSuffix(record) && EqualsIgnoringAsciiCase(extension, u".zip"))
    sizeCarried = true;
  const std::u16string beforeStamp = record.Name;
  try {
    if (StripTimeStamp(record, false))
      description.TimeStamp = FindStrippedTimeStamp(beforeStamp, record.Name);
  } catch (const EConvertError& error) {
    description.DateError = error.Message();
  }

  description.Method = static_cast<EncryptionMethod>((record.dwFileAttributes >> 24) & 7);
  description.PlainName = NarrowSystemText(record.Name);
  if (sizeCarried)
    description.PlainSize = (uint64_t{record.nFileSizeHigh} << 32) | record.nFileSizeLow;
  return description;
}

}  // namespace ostrel
