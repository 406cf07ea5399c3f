#include "names/encoded_name.h"

#include <gtest/gtest.h>

#include <array>
#include <iterator>
#include <optional>
#include <random>
#include <string>

#include "errors/exceptions.h"
#include "names/path_style.h"
#include "platform/text_conversion.h"

namespace ostrel {
namespace {

struct DecodeCase {
  std::u16string name;
  int method;  // its digit, as the name writes it
  std::u16string plainName;
};

std::ostream& operator<<(std::ostream& out, const DecodeCase& c) {
  return out << '"' << NarrowSystemText(c.name) << '"';
}

const DecodeCase kDecodeCases[] = {
    {u"report.doc.2crypt", 2, u"report.doc"},
    {u"report.doc.1CRYPT", 1, u"report.doc"},
    {u"report.doc.2CrYpT", 2, u"report.doc"},
    {u"report.doc.s1500.2crypt", 2, u"report.doc"},
    {u"report.doc.s1500.zip.2crypt", 2, u"report.doc"},
    {u"report.doc.S1500.ZIP.2crypt", 2, u"report.doc"},
    {u"report.doc.s1500.incomplete.2crypt", 2, u"report.doc"},
    {u"report.doc.zip.2crypt", 2, u"report.doc.zip"},
    {u"a.s5.zip.s10.2crypt", 2, u"a.s5.zip"},
    {u"a.s5.zip.s32.2crypt", 2, u"a.s5.zip"},
    {u"a.s5.zip.s33.2crypt", 2, u"a"},
    {u"a.s5.zip.s4294967296.2crypt", 2, u"a"},  // a size of 2^32 is not "at most 32"
    {u"a.s5.incomplete.s10.2crypt", 2, u"a"},
    {u".s5.zip", 0, u".s5.zip"},  // the stem before ".zip" is shorter than 4
    {u"a.s5.zip", 0, u"a"},
    {u"archive.s40.zip", 0, u"archive"},
    {u"archive.s-40.zip", 0, u"archive.s-40.zip"},
    // One suffix of each kind per name, and the order of the kinds is fixed.
    {u"report.2crypt.2crypt", 2, u"report.2crypt"},
    {u"report.s10.s20.2crypt", 2, u"report.s10"},
    {u"report.2crypt.s10", 0, u"report.2crypt.s10"},
    // The digit of ".Ncrypt" modulo 8.
    {u".2crypt", 2, u""},
    {u".8crypt", 0, u""},
    {u".0crypt", 0, u""},
    {u".9crypt", 1, u""},
    {u".5crypt", 5, u""},
    {u"report.doc.12crypt", 0, u"report.doc.12crypt"},
    {u"report.doc.2cryp", 0, u"report.doc.2cryp"},
    {u"report.doc.2crypt.bak", 0, u"report.doc.2crypt.bak"},
    {u"report.\uFF12crypt", 0, u"report.\uFF12crypt"},  // FULLWIDTH DIGIT TWO
    {u"report.2cryp\u0442", 0, u"report.2cryp\u0442"},  // CYRILLIC SMALL LETTER TE
    {u"report.2\u212Arypt", 0, u"report.2\u212Arypt"},  // KELVIN SIGN, not "k"
    // Size suffixes in the usual number notation.
    {u"a.s$10.2crypt", 2, u"a"},
    {u"a.s 15.2crypt", 2, u"a"},
    {u"a.s\t15.2crypt", 2, u"a.s\t15"},
    {u"a.s-5.2crypt", 2, u"a.s-5"},
    {u"a.s.2crypt", 2, u"a.s"},
    {u"a.s9223372036854775807.2crypt", 2, u"a"},
    {u"a.s9223372036854775808.2crypt", 2, u"a.s9223372036854775808"},
    {u"a.s\u0663.2crypt", 2, u"a.s\u0663"},
    // Time stamps.
    {u"report.d20240131-t235959.doc.2crypt", 2, u"report.doc"},
    {u"notes.d20240131-t120000.2crypt", 2, u"notes"},
    {u"report.D20240131-T235959.doc.2crypt", 2, u"report.doc"},
    {u"report.d20240131-t235959.doc.s1500.zip.2crypt", 2, u"report.doc"},
    {u"x.d17991231-t000000.txt.2crypt", 2, u"x.d17991231-t000000.txt"},
    {u"x.d18000101-t000000.txt.2crypt", 2, u"x.txt"},
    {u"x.d20241301-t000000.txt.2crypt", 2, u"x.d20241301-t000000.txt"},
    {u"x.d20240100-t000000.txt.2crypt", 2, u"x.d20240100-t000000.txt"},
    {u"x.d20240132-t000000.txt.2crypt", 2, u"x.d20240132-t000000.txt"},
    {u"x.d20240101-t240000.txt.2crypt", 2, u"x.d20240101-t240000.txt"},
    {u"x.d20240101-t236000.txt.2crypt", 2, u"x.d20240101-t236000.txt"},
    {u"x.d20240101-t235960.txt.2crypt", 2, u"x.d20240101-t235960.txt"},
    {u"x.d20240229-t000000.txt.2crypt", 2, u"x.txt"},
    {u"x.d20000229-t000000.txt.2crypt", 2, u"x.txt"},
    {u"x.dx134D703-t000000.txt.2crypt", 2, u"x.txt"},  // hexadecimal: 2024/1/31
    {u"x.d20240101-t-00001.txt.2crypt", 2, u"x.d20240101-t-00001.txt"},
    {u"x.d2024013l-t000000.txt.2crypt", 2, u"x.d2024013l-t000000.txt"},
    {u"x.d20240131-t120000", 0, u"x"},
    {u".d20240131-t120000", 0, u""},
    // A stem too short for a stamp, and a stamp-like extension that is not one.
    {u"x.d2024-t1.txt", 0, u"x.d2024-t1.txt"},
    {u"x.e20240131-t120000", 0, u"x.e20240131-t120000"},
    // Characters outside ASCII pass through unchanged, lone surrogates included.
    {u"Gr\u00FC\u00DFe.d20240131-t120000.txt.2crypt", 2, u"Gr\u00FC\u00DFe.txt"},
    {u"\xD800x\xDC80.2crypt", 2, u"\xD800x\xDC80"},
    {u"\xDFFF.s7.\xD83D\xDD12.2crypt", 2, u"\xDFFF.s7.\xD83D\xDD12"},
};

TEST(DecodeFileName, ReadsTheMethodAndStripsTheSuffixes) {
  for (const DecodeCase& c : kDecodeCases) {
    SCOPED_TRACE(c);
    const DecodedFileName decoded = DecodeFileName(c.name);
    EXPECT_EQ(MethodNumber(decoded.Method), c.method);
    EXPECT_EQ(decoded.PlainName, c.plainName);
  }
}

// Names are bare, so this host's separator cannot occur in them; the other style's separators
// are ordinary characters of the name.
TEST(DecodeFileName, KeepsCharactersThatOnlyTheOtherPathStyleSeparates) {
  if constexpr (kHostPathStyle == PathStyle::Posix) {
    EXPECT_EQ(DecodeFileName(u"a:b.2crypt").PlainName, u"a:b");
    EXPECT_EQ(DecodeFileName(u"a\\b.s10.2crypt").PlainName, u"a\\b");
    EXPECT_EQ(DecodeFileName(u"c:x.d20240131-t120000.txt.2crypt").PlainName, u"c:x.txt");
  }
}

// What decoding removed. Stamp fields: year, month, day, hour, minute, second.
struct RemovedCase {
  std::u16string name;
  std::optional<uint64_t> plainSize;
  ArchiveMarker marker;
  std::u16string stampText;  // empty: no stamp removed
  std::size_t stampPosition;
  std::array<int, 6> stampFields;
  std::u16string withStamp;  // the plain name with its stamp put back
};

TEST(DecodeFileName, ReportsWhatItRemoved) {
  const std::array<int, 6> none{};
  const RemovedCase cases[] = {
      {u"report.doc.2crypt", std::nullopt, ArchiveMarker::None, u"", 0, none, u"report.doc"},
      {u"report.doc.s1500.2crypt", 1500, ArchiveMarker::None, u"", 0, none, u"report.doc"},
      {u"report.doc.s0.2crypt", 0, ArchiveMarker::None, u"", 0, none, u"report.doc"},
      // The archive marker's own size suffix gives the plain size...
      {u"report.doc.s1500.zip.2crypt", 1500, ArchiveMarker::Archive, u"", 0, none, u"report.doc"},
      {u"a.s5.zip.s33.2crypt", 5, ArchiveMarker::Archive, u"", 0, none, u"a"},
      // ...unless the size before it is at most 32, which keeps the marker in the name...
      {u"a.s5.zip.s32.2crypt", 32, ArchiveMarker::None, u"", 0, none, u"a.s5.zip"},
      // ...and an incomplete copy's size is not the plain file's.
      {u"r.s1500.incomplete.2crypt", std::nullopt, ArchiveMarker::Incomplete, u"", 0, none, u"r"},
      {u"a.s5.INCOMPLETE.s10.2crypt", 10, ArchiveMarker::Incomplete, u"", 0, none, u"a"},
      {u"notes.D20240131-T120000.txt.2crypt",
       std::nullopt,
       ArchiveMarker::None,
       u".D20240131-T120000",
       5,
       {2024, 1, 31, 12, 0, 0},
       u"notes.D20240131-T120000.txt"},
      {u"notes.d20240229-t235958.2crypt",
       std::nullopt,
       ArchiveMarker::None,
       u".d20240229-t235958",
       5,
       {2024, 2, 29, 23, 59, 58},
       u"notes.d20240229-t235958"},
      {u"r.d18000101-t000001.doc.s9.zip.s40.1crypt",
       9,
       ArchiveMarker::Archive,
       u".d18000101-t000001",
       1,
       {1800, 1, 1, 0, 0, 1},
       u"r.d18000101-t000001.doc"},
      // The fields are the numbers the rule read, the text is as the name wrote it.
      {u"x.dx134D703-t000000.txt.2crypt",
       std::nullopt,
       ArchiveMarker::None,
       u".dx134D703-t000000",
       1,
       {2024, 1, 31, 0, 0, 0},
       u"x.dx134D703-t000000.txt"},
      {u"x.d20241301-t000000.txt.2crypt", std::nullopt, ArchiveMarker::None, u"", 0, none,
       u"x.d20241301-t000000.txt"},
      {u"plain.d20240131-t120000.txt",
       std::nullopt,
       ArchiveMarker::None,
       u".d20240131-t120000",
       5,
       {2024, 1, 31, 12, 0, 0},
       u"plain.d20240131-t120000.txt"},
  };
  for (const RemovedCase& c : cases) {
    SCOPED_TRACE(NarrowSystemText(c.name));
    const DecodedFileName decoded = DecodeFileName(c.name);
    EXPECT_EQ(decoded.PlainSize, c.plainSize);
    EXPECT_EQ(decoded.RemovedMarker, c.marker);
    EXPECT_EQ(PlainNameWithTimeStamp(decoded), c.withStamp);
    ASSERT_EQ(decoded.TimeStamp.has_value(), !c.stampText.empty());
    if (!decoded.TimeStamp)
      continue;
    const NameTimeStamp& stamp = *decoded.TimeStamp;
    EXPECT_EQ(stamp.Text, c.stampText);
    EXPECT_EQ(stamp.Position, c.stampPosition);
    EXPECT_EQ((std::array<int, 6>{stamp.Year, stamp.Month, stamp.Day, stamp.Hour, stamp.Minute,
                                  stamp.Second}),
              c.stampFields);
  }
}

// The method alone never fails on the rest of the name: a tree being encrypted must tell its plain
// files from its encrypted ones even when a name holds a date that does not exist.
TEST(EncodedMethod, ReadsTheEncryptionSuffixAlone) {
  EXPECT_EQ(EncodedMethod(u"x.d20230230-t120000.txt.2crypt"), EncryptionMethod::kRijndael);
  EXPECT_EQ(EncodedMethod(u"x.d20230230-t120000.txt"), EncryptionMethod::kNone);
  EXPECT_EQ(EncodedMethod(u"a.s5.zip.s10.9CRYPT"), EncryptionMethod::kTripleDes);
  EXPECT_EQ(EncodedMethod(u"a.5crypt"), static_cast<EncryptionMethod>(5));
  EXPECT_EQ(EncodedMethod(u"a.2crypt.zip"), EncryptionMethod::kNone);
}

struct DateErrorCase {
  std::u16string name;
  std::string message;
};

TEST(DecodeFileName, RaisesConvertErrorForADayItsMonthLacks) {
  const DateErrorCase cases[] = {
      {u"x.d20230230-t120000.txt.2crypt", "''2023/2/30 12:0:0.0'' is not a valid date and time"},
      {u"x.d20230229-t000000.txt.2crypt", "''2023/2/29 0:0:0.0'' is not a valid date and time"},
      {u"x.d19000229-t010203.txt.2crypt", "''1900/2/29 1:2:3.0'' is not a valid date and time"},
      {u"x.d20240431-t235959.2crypt", "''2024/4/31 23:59:59.0'' is not a valid date and time"},
      {u"x.d20241131-t000000", "''2024/11/31 0:0:0.0'' is not a valid date and time"},
      // Years beyond 9999, reached through hexadecimal fields.
      {u"x.d$5F5E165-t000000.txt.2crypt", "''10000/1/1 0:0:0.0'' is not a valid date and time"},
      {u"x.dx75BB75F-t235959.2crypt", "''12345/12/31 23:59:59.0'' is not a valid date and time"},
  };
  for (const DateErrorCase& c : cases) {
    SCOPED_TRACE(c.message);
    try {
      DecodeFileName(c.name);
      ADD_FAILURE() << "no error";
    } catch (const EConvertError& error) {
      EXPECT_EQ(error.Message(), c.message);
      EXPECT_STREQ(error.ClassName(), "EConvertError");
    }
  }
}

// The rules on their own, with the record members the decoder does not return.
struct RuleCase {
  const char* rule;
  std::u16string name;
  uint32_t sizeHigh;
  uint32_t sizeLow;  // before the rule
  bool matched;
  std::u16string nameAfter;
  uint32_t sizeHighAfter;
  uint32_t sizeLowAfter;
  uint32_t attributesAfter;
};

bool ApplyRule(std::string_view rule, TSearchRecW& record) {
  if (rule == "crypt")
    return StripCryptSuffix(record);
  if (rule == "size")
    return StripCryptSizeSuffix(record);
  if (rule == "archive")
    return StripArchiveSuffix(record);
  if (rule == "stamp")
    return StripTimeStamp(record, false);
  if (rule == "whole stamp")
    return StripTimeStamp(record, true);
  throw std::invalid_argument("unknown rule");
}

TEST(EncodedNameRules, RewriteTheRecordInPlace) {
  const RuleCase cases[] = {
      {"crypt", u"report.doc.s1500.2crypt", 0, 1000, true, u"report.doc", 0, 1500, 0x02000000},
      {"crypt", u"a.s4294967297.9Crypt", 0, 1000, true, u"a", 1, 1, 0x09000000},
      {"crypt", u"a.s$7fffffffffffffff.2crypt", 0, 1000, true, u"a", 0x7FFFFFFF, 0xFFFFFFFF,
       0x02000000},
      {"crypt", u"report.doc", 0, 1000, false, u"report.doc", 0, 1000, 0},
      {"size", u"a.s0", 0, 1000, true, u"a", 0, 0, 0},
      {"size", u".s1", 0, 1000, false, u".s1", 0, 1000, 0},  // shorter than 4
      {"size", u"ab.s", 0, 1000, false, u"ab.s", 0, 1000, 0},
      {"size", u"ab.x1", 0, 1000, false, u"ab.x1", 0, 1000, 0},
      {"archive", u"report.s1500.zip", 0, 1000, true, u"report", 0, 1500, 0},
      {"archive", u"report.s1500.incomplete", 0, 77, true, u"report", 0, 77, 0},
      {"archive", u"report.s1500.zip", 0, 32, false, u"report.s1500.zip", 0, 32, 0},
      {"archive", u"report.s1500.zip", 1, 32, true, u"report", 0, 1500, 0},
      {"archive", u"report.s1500.incomplete", 0, 32, true, u"report", 0, 32, 0},
      {"archive", u"report.sx.zip", 0, 1000, false, u"report.sx.zip", 0, 1000, 0},
      {"stamp", u"notes.d20240131-t120000", 0, 1000, true, u"notes", 0, 1000, 0},
      {"stamp", u"r.d20240131-t120000.doc", 0, 1000, true, u"r.doc", 0, 1000, 0},
      {"stamp", u"r.d20241301-t120000.d20240131-t120000", 0, 1000, false,
       u"r.d20241301-t120000.d20240131-t120000", 0, 1000, 0},
      {"whole stamp", u"r.d20240131-t120000.doc", 0, 1000, false, u"r.d20240131-t120000.doc", 0,
       1000, 0},
  };
  for (const RuleCase& c : cases) {
    SCOPED_TRACE(std::string(c.rule) + " " + NarrowSystemText(c.name));
    TSearchRecW record;
    record.Name = c.name;
    record.nFileSizeHigh = c.sizeHigh;
    record.nFileSizeLow = c.sizeLow;
    EXPECT_EQ(ApplyRule(c.rule, record), c.matched);
    EXPECT_EQ(record.Name, c.nameAfter);
    EXPECT_EQ(record.nFileSizeHigh, c.sizeHighAfter);
    EXPECT_EQ(record.nFileSizeLow, c.sizeLowAfter);
    EXPECT_EQ(record.dwFileAttributes, c.attributesAfter);
  }
}

TEST(DecodeFileName, DecodesVeryLongNames) {
  const std::u16string longStem(100000, u'x');
  const DecodeCase cases[] = {
      {longStem + u".d20240131-t120000.2crypt", 2, longStem},
      {longStem + u".s" + std::u16string(50000, u'0') + u"7.zip.s40.2crypt", 2, longStem},
      {longStem + u".s" + std::u16string(50000, u'9') + u".2crypt", 2,
       longStem + u".s" + std::u16string(50000, u'9')},
      {std::u16string(u"a.") + longStem + u".2crypt", 2, std::u16string(u"a.") + longStem},
      {std::u16string(u"a") + std::u16string(50000, u'.') + u"2crypt", 2,
       std::u16string(u"a") + std::u16string(49999, u'.')},
  };
  for (const DecodeCase& c : cases) {
    const DecodedFileName decoded = DecodeFileName(c.name);
    EXPECT_EQ(MethodNumber(decoded.Method), c.method);
    EXPECT_EQ(decoded.PlainName, c.plainName);
  }
}

// Names assembled from the pieces the rules look at: decoding either succeeds or raises the date
// error, and it never lengthens a name. Run under the sanitizers, this also guards every index.
TEST(DecodeFileName, DecodesArbitraryNamesSafely) {
  const std::u16string pieces[] = {
      u".",          u"s",      u"d",      u"t",      u"-",      u"0",     u"1",
      u"2",          u"9",      u"$",      u"x",      u" ",      u"crypt", u"zip",
      u"incomplete", u"\u00E9", u"\xD800", u"\xDC80", u"2024",   u"0229",  u"0230",
      u"1231",       u"235959", u".d",     u"-t",     u".2crypt"};
  std::mt19937 random(7);
  for (int trial = 0; trial < 50000; ++trial) {
    std::u16string name;
    for (std::size_t count = random() % 16; count > 0; --count) {
      name += pieces[random() % std::size(pieces)];
    }
    try {
      const DecodedFileName decoded = DecodeFileName(name);
      ASSERT_LE(decoded.PlainName.size(), name.size());
      ASSERT_GE(MethodNumber(decoded.Method), 0);
      ASSERT_LE(MethodNumber(decoded.Method), 7);
    } catch (const EConvertError&) {
    }
  }
}

}  // namespace
}  // namespace ostrel
