// The files a pass phrase is judged on are spread evenly over the whole run, however long, and
// never more than the sample's size: a run whose first directory alone were tried would be judged
// on one corner of a backup.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tool/keys/passphrase_judgement.h"

namespace ostrel {
namespace {

std::vector<std::size_t> SampledPositions(std::size_t offered) {
  JudgementSample sample;
  for (std::size_t i = 0; i < offered; ++i) {
    WorkItem item;
    item.Input = std::to_string(i);
    sample.Offer(item);
  }
  std::vector<std::size_t> positions;
  for (const WorkItem& item : sample.Take())
    positions.push_back(std::stoul(item.Input));
  return positions;
}

TEST(JudgementSample, TakesEveryFileOfASmallRunAndASpreadOfALargeOne) {
  for (const std::size_t offered : {0U, 1U, 63U, 64U, 65U, 127U, 128U, 129U, 1000U, 100000U}) {
    SCOPED_TRACE(offered);
    const std::vector<std::size_t> positions = SampledPositions(offered);
    ASSERT_EQ(positions.size(), std::min<std::size_t>(offered, kJudgedFiles));
    if (offered == 0)
      continue;
    EXPECT_EQ(positions.front(), 0U);
    // In the run's order, and no gap between two files tried (nor after the last) much wider than
    // an even share of the run: twice the even spacing at most.
    const std::size_t widest = 2 * ((offered + kJudgedFiles - 1) / kJudgedFiles);
    for (std::size_t i = 1; i < positions.size(); ++i) {
      EXPECT_LT(positions[i - 1], positions[i]);
      EXPECT_LE(positions[i] - positions[i - 1], widest) << "after " << positions[i - 1];
    }
    EXPECT_LE(offered - positions.back(), widest);
  }
}

}  // namespace
}  // namespace ostrel
