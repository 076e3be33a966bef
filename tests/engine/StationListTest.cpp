#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "engine/StationList.hpp"

namespace kelvarin {
namespace {

TEST(StationList, AllRangesAndRepeatsGiveAscendingDistinctNumbers) {
    EXPECT_EQ(ParseStationList("all", 4), (std::vector<long>{1, 2, 3, 4}));
    EXPECT_EQ(ParseStationList("8,1,3,5-8,3", 9), (std::vector<long>{1, 3, 5, 6, 7, 8}));
    EXPECT_EQ(ParseStationList("2-2", 2), (std::vector<long>{2}));
}

TEST(StationList, AnythingElseIsRefusedWithTheItemNamed) {
    const std::pair<const char*, const char*> cases[] = {
        {"0", "out of range"},       {"10", "out of range"},     {"3-1", "\"3-1\" runs backwards"},
        {"1,,2", "\"\" is not"},     {"1,", "names no station"}, {"", "names no station"},
        {"KV01", "\"KV01\" is not"}, {"-2", "\"-2\" is not"},    {"1-", "\"1-\" is not"},
        {"all,1", "\"all\" is not"}};
    for (const auto& [bad, why] : cases) {
        try {
            ParseStationList(bad, 9);
            ADD_FAILURE() << "accepted \"" << bad << "\"";
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << bad << ": " << e.what();
        }
    }
}

// The text of any selection reads back as the same selection, and is the shortest such
// text: runs of three or more are ranges, two neighbours are listed.
TEST(StationList, TextOfEverySelectionReadsBackAsItself) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 2000; ++trial) {
        const long count = 1 + static_cast<long>(random() % 40);
        std::vector<long> selection;
        for (long i = 1; i <= count; ++i)
            if (random() % 3 != 0) selection.push_back(i);
        const std::string text = StationListText(selection);
        if (selection.empty()) {
            EXPECT_EQ(text, "");
            continue;
        }
        ASSERT_EQ(ParseStationList(text, count), selection) << text;
        for (std::size_t k = 0; k + 1 < selection.size(); ++k) {
            const bool pair = selection[k + 1] == selection[k] + 1 &&
                              (k + 2 >= selection.size() || selection[k + 2] != selection[k] + 2) &&
                              (k == 0 || selection[k - 1] != selection[k] - 1);
            if (pair) {
                EXPECT_NE(text.find(std::to_string(selection[k]) + "," + std::to_string(selection[k + 1])),
                          std::string::npos)
                    << text;
            }
        }
    }
    EXPECT_EQ(StationListText({1, 2, 3, 4, 6, 8, 9, 11, 12, 13}), "1-4,6,8,9,11-13");
}

}  // namespace
}  // namespace kelvarin
