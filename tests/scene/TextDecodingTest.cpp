#include <gtest/gtest.h>

#include <string>

#include "scene/TextDecoding.hpp"

namespace kelvarin {
namespace {

TEST(DecodeToUtf8, Big5TextBecomesUtf8) {
    // 雲嶺 and 青松坪 in code page 950
    const std::string big5 = "\xB6\xB3\xC0\xAD \xAB\x43\xAA\x51\xA9\x57";
    TextEncoding encoding = TextEncoding::Utf8;
    EXPECT_EQ(DecodeToUtf8(big5, "x.ini", &encoding), "雲嶺 青松坪");
    EXPECT_EQ(encoding, TextEncoding::Cp950);
}

TEST(DecodeToUtf8, Utf8PassesAndTheByteOrderMarkGoes) {
    TextEncoding encoding = TextEncoding::Cp950;
    EXPECT_EQ(DecodeToUtf8("雲嶺 Redstone", "x.ini", &encoding), "雲嶺 Redstone");
    EXPECT_EQ(encoding, TextEncoding::Utf8);
    EXPECT_EQ(DecodeToUtf8("\xEF\xBB\xBF[S]", "x.ini", &encoding), "[S]");
    EXPECT_EQ(encoding, TextEncoding::Utf8WithBom);
}

TEST(DecodeToUtf8, UndecodableTextNamesFileAndLine) {
    // 0xFF never begins a character in UTF-8 or in code page 950
    try {
        DecodeToUtf8("[S]\nk=v\nbad \xFF\xFF here\n", "bad.ini");
        FAIL() << "no error";
    } catch (const TextDecodeError& e) {
        EXPECT_EQ(e.Line(), 3);
        EXPECT_EQ(e.File(), "bad.ini");
        EXPECT_NE(std::string(e.what()).find("bad.ini:3:"), std::string::npos) << e.what();
#if !defined(_WIN32)
        EXPECT_NE(e.Problem().find("0xFF"), std::string::npos) << e.Problem();  // iconv tells the byte
#endif
    }
    // after a byte-order mark the text must be UTF-8
    EXPECT_THROW(DecodeToUtf8("\xEF\xBB\xBF\xB6\xB3", "x.ini"), TextDecodeError);
}

TEST(DecodeToUtf8, BinaryAndUtf16TextAreRefused) {
    EXPECT_THROW(DecodeToUtf8(std::string("[S]\nk\0v", 7), "x.ini"), TextDecodeError);
    EXPECT_THROW(DecodeToUtf8(std::string("\xFF\xFE[\0S\0]\0", 8), "x.ini"), TextDecodeError);
    try {
        DecodeToUtf8(std::string("ab\ncd\0", 6), "x.ini");
        FAIL() << "no error";
    } catch (const TextDecodeError& e) {
        EXPECT_EQ(e.Line(), 2);
    }
}

}  // namespace
}  // namespace kelvarin
