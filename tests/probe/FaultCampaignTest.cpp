// The fault campaign at a size for the test suite; bench/fault_campaign runs it at full size.
#include <gtest/gtest.h>

#include <cstdio>

#include "FaultCampaign.h"

namespace ombrix::campaign {
namespace {

TEST(FaultCampaignTest, EveryOperationUnderEveryFaultKindEndsTrueOrWithACode) {
  const Settings settings{
      .downloads = 3 * kFaultKinds, .perOperation = 2 * kFaultKinds, .seed = 20251207};
  const Result result = campaign::Run(settings);
  std::fputs(Report(settings, result).c_str(), stdout);

  EXPECT_EQ(result.total.mismatches, 0u);
  EXPECT_EQ(result.total.notRecovered, 0u);
  EXPECT_EQ(result.total.exceptions, 0u);
  EXPECT_TRUE(result.bad.empty());
  // The campaign is no campaign unless the faults struck and both outcomes occurred.
  for (int k = 0; k < kFaultKinds; ++k) {
    EXPECT_GT(result.byKind[k].faultsStruck, 0u) << FaultKindName(kAllFaultKinds[k]);
  }
  const Figures& downloads = result.byOperation[static_cast<int>(Operation::Download)];
  EXPECT_GT(downloads.successes, 0u);
  EXPECT_LT(downloads.successes, downloads.runs);
}

// A run is repeatable from its seed, which is what the seeds in the report are for.
TEST(FaultCampaignTest, ARunRepeatsFromItsSeed) {
  for (Operation operation : {Operation::Download, Operation::Launch}) {
    const std::uint64_t seed = TrialSeed(7, operation, 3);
    const Trial first = RunTrial(operation, Fault::Kind::LateReply, seed);
    const Trial again = RunTrial(operation, Fault::Kind::LateReply, seed);
    EXPECT_EQ(again.success, first.success);
    EXPECT_EQ(again.code, first.code);
    EXPECT_EQ(again.faultsStruck, first.faultsStruck);
    EXPECT_GT(first.faultsStruck, 0);
  }
}

}  // namespace
}  // namespace ombrix::campaign
