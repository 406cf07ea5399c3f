#include "tool/backup/name_description.h"

#include <cstdio>

#include "errors/exceptions.h"
#include "platform/text_conversion.h"

namespace ostrel {
namespace {

std::string TimeStampText(const NameTimeStamp& stamp) {
  char text[32];
  (void)std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", stamp.Year, stamp.Month,
                      stamp.Day, stamp.Hour, stamp.Minute, stamp.Second);
  return text;
}

}  // namespace

NameDescription DescribeEncodedName(std::string_view fileName) {
  NameDescription description;
  const std::u16string name = WidenSystemText(fileName);
  try {
    const DecodedFileName decoded = DecodeFileName(name);
    description.Method = decoded.Method;
    description.PlainName = NarrowSystemText(decoded.PlainName);
    description.Incomplete = decoded.RemovedMarker == ArchiveMarker::Incomplete;
    description.PlainSize = description.Incomplete ? decoded.IncompleteSize : decoded.PlainSize;
    if (decoded.TimeStamp)
      description.TimeStamp = TimeStampText(*decoded.TimeStamp);
  } catch (const EConvertError& error) {
    // The method is still worth reporting: it comes from the encryption suffix alone.
    description.Method = EncodedMethod(name);
    description.DateError = error.Message();
  }
  return description;
}

}  // namespace ostrel
