// Reading an encoded file name. The suffixes are found only in this order from the end of the
// name: ".Ncrypt", a size suffix right before it, an archive marker with its own size suffix, and a
// time stamp in front of whatever extension is left. Each rule rewrites the record in place and
// leaves it unchanged when its conditions do not hold.
#include "names/encoded_name.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

#include "errors/exceptions.h"
#include "names/integer_text.h"
#include "names/path_rules.h"

namespace ostrel {
namespace {

constexpr uint32_t kPlainSizeBeforeDecoding = 1000;
constexpr int kMethodShift = 24;
constexpr uint32_t kMethodMask = 7;
// ".dYYYYMMDD-tHHMMSS"
constexpr std::size_t kTimeStampLength = 18;
constexpr int32_t kEarliestTimeStampDate = 18000000;
// When the size read right after the encryption suffix is this small or less, a ".zip" in front of
// it is taken as part of the plain name rather than as an archive marker.
constexpr uint32_t kLargestSizeKeepingArchiveMarker = 32;

char16_t LowerAscii(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// Compares with a lower-case ASCII word, ignoring the case of ASCII letters only.
bool EqualsIgnoringAsciiCase(std::u16string_view text, std::string_view lowerCaseWord) {
  if (text.size() != lowerCaseWord.size())
    return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (LowerAscii(text[i]) != static_cast<char16_t>(lowerCaseWord[i]))
      return false;
  }
  return true;
}

bool IsAsciiDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

// Names are bare, so the host's separators cannot occur in them: a name that holds "\" or ":" on
// a POSIX host keeps them as ordinary characters.
SplitPathResult<std::u16string> SplitName(const std::u16string& name) {
  return SplitPath(name, kHostPathStyle);
}

void SetPlainSize(TSearchRecW& record, int64_t size) {
  const auto unsignedSize = static_cast<uint64_t>(size);
  record.nFileSizeHigh = static_cast<uint32_t>(unsignedSize >> 32);
  record.nFileSizeLow = static_cast<uint32_t>(unsignedSize & 0xFFFFFFFFu);
}

// The position (0-based) of the last "." of text when a size suffix ".s<n>" starts there, that
// is when at least two characters follow it and the first of them is "s" in either case.
std::optional<std::size_t> SizeSuffixStart(std::u16string_view text) {
  const std::size_t dot = text.rfind(u'.');
  if (dot == std::u16string_view::npos || dot + 2 >= text.size())
    return std::nullopt;
  if (LowerAscii(text[dot + 1]) != u's')
    return std::nullopt;
  return dot;
}

constexpr int32_t kLastYear = 9999;

bool IsLeapYear(int64_t year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int64_t year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Separators are those of the usual English settings: there are no locale settings to follow.
[[noreturn]] void RaiseInvalidDateTime(int64_t year, int month, int day, int hour, int minute,
                                       int second) {
  const std::string text = std::to_string(year) + "/" + std::to_string(month) + "/" +
                           std::to_string(day) + " " + std::to_string(hour) + ":" +
                           std::to_string(minute) + ":" + std::to_string(second) + ".0";
  throw EConvertError("''" + text + "'' is not a valid date and time");
}

// How the last 18 characters of a stem read: not as a stamp at all (the caller may try the whole
// name), as a stamp with a month, day or time of day out of range (no further try), or as a stamp
// that has now been stripped (and is described in removed).
enum class StampReading { NotAStamp, OutOfRange, Stripped };

// The stem is at least 18 characters long.
StampReading StripStampFromStem(TSearchRecW& record, std::u16string_view stem,
                                std::u16string_view extension,
                                std::optional<NameTimeStamp>& removed) {
  const std::u16string_view stamp = stem.substr(stem.size() - kTimeStampLength);
  if (stamp[0] != u'.' || LowerAscii(stamp[1]) != u'd' || stamp[10] != u'-' ||
      LowerAscii(stamp[11]) != u't') {
    return StampReading::NotAStamp;
  }
  // The number fields read the same in either case, so they are read as they stand.
  const int32_t date = ReadInt32OrMinusOne(stamp.substr(2, 8));
  if (date < kEarliestTimeStampDate)
    return StampReading::NotAStamp;
  const int32_t time = ReadInt32OrMinusOne(stamp.substr(12, 6));
  if (time < 0)
    return StampReading::NotAStamp;

  const int32_t year = date / 10000;
  const int month = static_cast<int>(date / 100 % 100);
  const int day = static_cast<int>(date % 100);
  if (month < 1 || month > 12 || day < 1 || day > 31)
    return StampReading::OutOfRange;
  const int hour = static_cast<int>(time / 10000);
  const int minute = static_cast<int>(time / 100 % 100);
  const int second = static_cast<int>(time % 100);
  if (hour > 23 || minute > 59 || second > 59)
    return StampReading::OutOfRange;
  // The calendar ends with the year 9999; a later one (a hexadecimal field reaches it) names no
  // date either.
  if (day > DaysInMonth(year, month) || year > kLastYear) {
    RaiseInvalidDateTime(year, month, day, hour, minute, second);
  }

  const std::size_t position = stem.size() - kTimeStampLength;
  removed = NameTimeStamp{std::u16string(stamp), position, year, month, day, hour, minute, second};
  std::u16string plain(stem.substr(0, position));
  plain += extension;
  record.Name = std::move(plain);
  return StampReading::Stripped;
}

// The encryption suffix without the size suffix that may stand before it.
bool StripCryptSuffixAlone(TSearchRecW& record) {
  SplitPathResult<std::u16string> parts = SplitName(record.Name);
  const std::u16string& extension = parts.Extension;
  if (extension.size() != 7 || extension[0] != u'.' || !IsAsciiDigit(extension[1]) ||
      !EqualsIgnoringAsciiCase(std::u16string_view(extension).substr(2), "crypt")) {
    return false;
  }
  const auto digit = static_cast<uint32_t>(extension[1] - u'0');
  record.Name = std::move(parts.Stem);
  record.dwFileAttributes |= digit << kMethodShift;
  return true;
}

// markerSize receives the size suffix that the marker removed, for ".incomplete" too, where the
// record does not keep it.
ArchiveMarker StripArchiveMarker(TSearchRecW& record, std::optional<uint64_t>* markerSize) {
  SplitPathResult<std::u16string> parts = SplitName(record.Name);
  const std::u16string_view stem = parts.Stem;
  const bool zip = EqualsIgnoringAsciiCase(parts.Extension, ".zip");
  if (stem.size() < 4 || !(zip || EqualsIgnoringAsciiCase(parts.Extension, ".incomplete"))) {
    return ArchiveMarker::None;
  }
  const std::optional<std::size_t> dot = SizeSuffixStart(stem);
  if (!dot)
    return ArchiveMarker::None;
  if (zip && record.nFileSizeHigh == 0 && record.nFileSizeLow <= kLargestSizeKeepingArchiveMarker) {
    return ArchiveMarker::None;
  }
  const int64_t size = ReadInt64OrMinusOne(stem.substr(*dot + 2));
  if (size < 0)
    return ArchiveMarker::None;
  if (zip)
    SetPlainSize(record, size);
  if (markerSize != nullptr)
    *markerSize = static_cast<uint64_t>(size);
  record.Name = std::u16string(stem.substr(0, *dot));
  return zip ? ArchiveMarker::Archive : ArchiveMarker::Incomplete;
}

std::optional<NameTimeStamp> StripStamp(TSearchRecW& record, bool whole) {
  SplitPathResult<std::u16string> parts = SplitName(record.Name);
  if (whole) {
    parts.Stem += parts.Extension;
    parts.Extension.clear();
  }
  // A stamp that is itself the last suffix arrives as an 18-character extension: read it once
  // more as part of the whole name. That second reading has no extension, so it never repeats.
  const bool mayRetryWhole = parts.Extension.size() == kTimeStampLength;
  if (parts.Stem.size() < kTimeStampLength) {
    return mayRetryWhole ? StripStamp(record, true) : std::nullopt;
  }
  std::optional<NameTimeStamp> removed;
  switch (StripStampFromStem(record, parts.Stem, parts.Extension, removed)) {
    case StampReading::Stripped:
      return removed;
    case StampReading::OutOfRange:
      return std::nullopt;
    case StampReading::NotAStamp:
      break;
  }
  return mayRetryWhole ? StripStamp(record, true) : std::nullopt;
}

EncryptionMethod MethodOf(const TSearchRecW& record) {
  return static_cast<EncryptionMethod>((record.dwFileAttributes >> kMethodShift) & kMethodMask);
}

uint64_t PlainSizeOf(const TSearchRecW& record) {
  return (uint64_t{record.nFileSizeHigh} << 32) | record.nFileSizeLow;
}

TSearchRecW RecordBeforeDecoding(std::u16string_view name) {
  TSearchRecW record;
  record.Name = std::u16string(name);
  record.dwFileAttributes = 0;
  record.nFileSizeHigh = 0;
  record.nFileSizeLow = kPlainSizeBeforeDecoding;
  return record;
}

}  // namespace

bool StripCryptSuffix(TSearchRecW& record) {
  if (!StripCryptSuffixAlone(record))
    return false;
  StripCryptSizeSuffix(record);
  return true;
}

bool StripCryptSizeSuffix(TSearchRecW& record) {
  const std::u16string& name = record.Name;
  if (name.size() < 4)
    return false;
  const std::optional<std::size_t> dot = SizeSuffixStart(name);
  if (!dot)
    return false;
  const int64_t size = ReadInt64OrMinusOne(std::u16string_view(name).substr(*dot + 2));
  if (size < 0)
    return false;
  SetPlainSize(record, size);
  record.Name.resize(*dot);
  return true;
}

bool StripArchiveSuffix(TSearchRecW& record) {
  return StripArchiveMarker(record, nullptr) != ArchiveMarker::None;
}

bool StripTimeStamp(TSearchRecW& record, bool whole) {
  return StripStamp(record, whole).has_value();
}

DecodedFileName DecodeFileName(std::u16string_view name) {
  TSearchRecW record = RecordBeforeDecoding(name);
  DecodedFileName decoded;
  bool sizeCarried = StripCryptSuffixAlone(record) && StripCryptSizeSuffix(record);
  std::optional<uint64_t> markerSize;
  decoded.RemovedMarker = StripArchiveMarker(record, &markerSize);
  if (decoded.RemovedMarker == ArchiveMarker::Incomplete)
    decoded.IncompleteSize = markerSize;
  sizeCarried = sizeCarried || decoded.RemovedMarker == ArchiveMarker::Archive;
  decoded.TimeStamp = StripStamp(record, false);
  decoded.Method = MethodOf(record);
  if (sizeCarried)
    decoded.PlainSize = PlainSizeOf(record);
  decoded.PlainName = std::move(record.Name);
  return decoded;
}

EncryptionMethod EncodedMethod(std::u16string_view name) {
  TSearchRecW record = RecordBeforeDecoding(name);
  StripCryptSuffixAlone(record);
  return MethodOf(record);
}

std::u16string PlainNameWithTimeStamp(const DecodedFileName& decoded) {
  std::u16string name = decoded.PlainName;
  if (decoded.TimeStamp)
    name.insert(decoded.TimeStamp->Position, decoded.TimeStamp->Text);
  return name;
}

}  // namespace ostrel
