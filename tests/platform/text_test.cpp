// Windows-1251 and UTF-8 at the desktop's edge.
#include <gtest/gtest.h>

#include <string>

#include "platform/Text.h"

namespace {

TEST(Cp1251, ConvertsBothWays) {
    struct Case {
        std::string cp1251, utf8;
    };
    const Case cases[] = {
        {"Hello, 1!", "Hello, 1!"},
        {"\xC0\xC1\xE0\xFF", "\xD0\x90\xD0\x91\xD0\xB0\xD1\x8F"},   // А Б а я
        {"\xA8\xB8", "\xD0\x81\xD1\x91"},                           // Ё ё, outside the block
        {"\x88\x96\xB9", "\xE2\x82\xAC\xE2\x80\x93\xE2\x84\x96"},   // euro, en dash, numero
        {"\xA0\xAB\xBB", "\xC2\xA0\xC2\xAB\xC2\xBB"},               // no-break space, quotes
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(plat::Cp1251ToUtf8(c.cp1251), c.utf8);
        EXPECT_EQ(plat::Utf8ToCp1251(c.utf8), c.cp1251);
    }
}

TEST(Cp1251, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(plat::Utf8ToCp1251(plat::Cp1251ToUtf8(all)), all);
}

TEST(Cp1251, UnmappableAndMalformedInputIsDropped) {
    const std::pair<std::string, std::string> cases[] = {
        {"a\xE4\xB8\xAD" "b", "ab"},                 // a CJK character
        {"a\xF0\x9F\x98\x80" "b", "ab"},             // outside the basic plane
        {"a\xC3\xA9" "b", "ab"},                     // é has no byte
        {"a\x80" "b", "ab"},                         // a stray continuation byte
        {"a\xD0" "b", "ab"},                         // a lead byte without its follower
        {"ab\xD0", "ab"},                            // cut off at the end
        {"a\xC0\xAF" "b", "ab"},                     // over-long "/"
        {"a\xE0\x80\x80" "b", "ab"},                 // over-long NUL
        {"\xFF\xFE", ""},
    };
    for (const auto& [utf8, cp] : cases) EXPECT_EQ(plat::Utf8ToCp1251(utf8), cp) << utf8;
}

}  // namespace
