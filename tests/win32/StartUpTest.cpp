// The command-line rules of start-up: modes and the parent window handle of a preview.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "host/win32/modStartUp.hpp"

namespace kelvarin {
namespace {

SaverMode ModeOf(const std::string& arguments) { return SelectMode(CommandText(arguments)); }

TEST(StartUp, ModesOfTheSwitches) {
    EXPECT_EQ(ModeOf(""), SaverMode::FullScreen);
    EXPECT_EQ(ModeOf("   "), SaverMode::FullScreen);
    EXPECT_EQ(ModeOf("  /S  "), SaverMode::FullScreen);
    EXPECT_EQ(ModeOf("/s"), SaverMode::FullScreen);
    EXPECT_EQ(ModeOf("/p 1234"), SaverMode::Preview);
    EXPECT_EQ(ModeOf("/P:1234"), SaverMode::Preview);
    EXPECT_EQ(ModeOf("/c"), SaverMode::Configure);
    EXPECT_EQ(ModeOf("/C:5678"), SaverMode::Configure);
    EXPECT_EQ(ModeOf("/a"), SaverMode::None);
    EXPECT_EQ(ModeOf("/x"), SaverMode::None);
    EXPECT_EQ(ModeOf("-s"), SaverMode::None);
    EXPECT_EQ(ModeOf("s"), SaverMode::None);
}

TEST(StartUp, ArgumentsFollowTheProgramName) {
    EXPECT_EQ(ArgumentsOf("\"C:\\Program Files\\Kelvarin.scr\" /p 12"), "/p 12");
    EXPECT_EQ(ArgumentsOf("C:\\WINDOWS\\Kelvarin.scr /s"), "/s");
    EXPECT_EQ(ArgumentsOf("Kelvarin.scr"), "");
    EXPECT_EQ(ArgumentsOf("  \"Kelvarin.scr\"   /c:99 "), "/c:99 ");
}

// every way of writing a handle gives the handle back, for handles over the whole 32-bit range
TEST(StartUp, ParentWindowOfEveryForm) {
    std::mt19937 random(7);
    for (int i = 0; i < 2000; ++i) {
        const std::int32_t handle = static_cast<std::int32_t>(random() & 0x7FFFFFFF);
        const std::string digits = std::to_string(handle);
        for (const std::string& text :
             {"/p " + digits, "/p:" + digits, "/p" + digits, "/P 000" + digits, " /p   " + digits + "  "}) {
            ASSERT_EQ(ParseParentWindow(CommandText(text)), handle) << text;
        }
    }
    EXPECT_EQ(ParseParentWindow("/p 00123"), 123);
    EXPECT_EQ(ParseParentWindow("/p"), 0);
    EXPECT_EQ(ParseParentWindow("/p abc"), 0);
    EXPECT_EQ(ParseParentWindow("/p 12.9"), 12);  // truncated
    // written unsigned, a handle with the top bit set keeps its 32 bits
    EXPECT_EQ(ParseParentWindow("/p 4294967295"), -1);
    EXPECT_EQ(ParseParentWindow("/p 1e400"), 0);
}

TEST(StartUp, NumericText) {
    for (const char* yes : {"1", " 12 ", "-3", "+4.5", ".5", "5.", "1e3", "2E-2"})
        EXPECT_TRUE(IsNumericText(yes)) << yes;
    for (const char* no : {"", " ", "-", ".", "e3", "1e", "1.2.3", "12a", "p 1", "1 2"}) {
        EXPECT_FALSE(IsNumericText(no)) << no;
    }
}

}  // namespace
}  // namespace kelvarin
