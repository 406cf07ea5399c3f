#include "errors/exceptions.h"

#include <gtest/gtest.h>

#include <memory>

namespace ostrel {
namespace {

// The reported class name must survive catching through any base, since the top-level handler
// only ever sees the base class.
TEST(ExceptionFamily, ReportsItsOwnClassNameThroughTheBase) {
  const std::pair<std::unique_ptr<Exception>, const char*> cases[] = {
      {std::make_unique<Exception>("m"), "Exception"},
      {std::make_unique<EConvertError>("m"), "EConvertError"},
      {std::make_unique<EStreamError>("m"), "EStreamError"},
      {std::make_unique<EFileStreamError>("m"), "EFileStreamError"},
      {std::make_unique<EFCreateError>("m"), "EFCreateError"},
      {std::make_unique<EFOpenError>("m"), "EFOpenError"},
      {std::make_unique<ECipherException>("m"), "ECipherException"},
  };
  for (const auto& [error, name] : cases) {
    EXPECT_STREQ(error->ClassName(), name);
    EXPECT_EQ(error->Message(), "m");
  }
}

TEST(ExceptionFamily, FileErrorsAreStreamErrors) {
  try {
    throw EFCreateError("Cannot create file \"/x\". No such file or directory");
  } catch (const EStreamError& error) {
    EXPECT_STREQ(error.ClassName(), "EFCreateError");
    EXPECT_STREQ(error.what(), "Cannot create file \"/x\". No such file or directory");
  }
}

}  // namespace
}  // namespace ostrel
