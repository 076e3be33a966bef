#include <gtest/gtest.h>

#include "cli/StationList.hpp"

namespace kelvarin {
namespace {

TEST(StationList, AllRangesAndRepeatsGiveAscendingDistinctNumbers) {
    EXPECT_EQ(ParseStationList("all", 4), (std::vector<long>{1, 2, 3, 4}));
    EXPECT_EQ(ParseStationList("8,1,3,5-8,3", 9), (std::vector<long>{1, 3, 5, 6, 7, 8}));
    EXPECT_EQ(ParseStationList("2-2", 2), (std::vector<long>{2}));
}

TEST(StationList, AnythingElseIsRefusedWithTheItemNamed) {
    for (const char* bad : {"0", "10", "3-1", "1,,2", "1,", "", "KV01", "-2", "1-", "all,1"}) {
        try {
            ParseStationList(bad, 9);
            ADD_FAILURE() << "accepted \"" << bad << "\"";
        } catch (const UsageError& e) {
            EXPECT_NE(std::string(e.what()).find("--stations"), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace kelvarin
