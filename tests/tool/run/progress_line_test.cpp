// The progress line fits its terminal and keeps the end of the file name.
#include <gtest/gtest.h>

#include <string>

#include "tool/run/progress_display.h"

namespace ostrel {
namespace {

struct FitCase {
  std::string Name;
  std::size_t Columns;
  std::string Line;
};

TEST(ProgressLine, FitsItsTerminalAndKeepsTheEndOfTheFileName) {
  const std::string figures = "3/10 files  1.0 MiB of 2.0 MiB";  // 30 columns
  // "é" in UTF-8, the tool's text on every system, is one column.
  const FitCase cases[] = {
      {"a.txt", 80, figures + "  a.txt"},
      // One column stays free, so the terminal never wraps the line.
      {"backup/some/deep/folder/report.doc.2crypt", 40, figures + "  ...rypt"},
      {"backup/some/deep/folder/report.doc.2crypt", 50, figures + "  ...ort.doc.2crypt"},
      {"caf\xC3\xA9/x.2crypt", 46, figures + "  caf\xC3\xA9/x.2crypt"},
      {"caf\xC3\xA9/x.2crypt", 45, figures + "  .../x.2crypt"},
      {"x", 20, figures.substr(0, 19)},
  };
  for (const FitCase& test : cases) {
    const std::string line = FitProgressLine(figures, test.Name, test.Columns);
    EXPECT_EQ(line, test.Line) << test.Columns;
  }
}

}  // namespace
}  // namespace ostrel
