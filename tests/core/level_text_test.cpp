#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "core/LevelText.h"

using namespace orvek::trelm::core;

TEST(SplitWords, SeparatesAtBlanksAndPunctuation) {
    struct Case {
        std::string text;
        std::vector<std::string> words;
    } cases[] = {
        {"red, green;blue  wild", {"red", "green", "blue", "wild"}},
        {"red_green", {"red", "green"}},
        {"\tred\r\n.blue-", {"red", "blue"}},
        {"", {}},
        {" ,;. ", {}},
        // Control bytes and bytes above 0x7f are not separators in "C".
        {"r\x01" "d \xe0\xe1", {"r\x01" "d", "\xe0\xe1"}},
    };
    for (const auto& c : cases) EXPECT_EQ(split_words(c.text), c.words) << c.text;
}

TEST(SplitWords, SeparatorsAreTheCLocaleSpaceAndPunctuation) {
    for (int c = 1; c < 256; ++c) {
        // The program runs in the "C" locale, which <cctype> uses here.
        bool separator = std::isspace(c) || std::ispunct(c);
        std::string text = std::string("a") + static_cast<char>(c) + "b";
        EXPECT_EQ(split_words(text).size(), separator ? 2u : 1u) << "byte " << c;
    }
}

TEST(ParseTriple, ReadsEachPartAsAtof) {
    struct Case {
        std::string text;
        float a, b, c;
    } cases[] = {
        {"1;2;3", 1, 2, 3},
        {"1.5 ; 2x ;3", 1.5f, 2, 3},
        {"1", 1, 0, 0},
        {"1;2", 1, 2, 0},
        {"", 0, 0, 0},
        {";;", 0, 0, 0},
        {"x;-2.5e1;  +4 junk;9", 0, -25, 4},
        {"7;8;9;10", 7, 8, 9},
    };
    for (const auto& c : cases) {
        FloatTriple t = parse_triple(c.text);
        EXPECT_FLOAT_EQ(t.a, c.a) << c.text;
        EXPECT_FLOAT_EQ(t.b, c.b) << c.text;
        EXPECT_FLOAT_EQ(t.c, c.c) << c.text;
    }
}

TEST(ParseTriple, NeverReadsPastTheGivenText) {
    // The view ends before the digits that follow in memory.
    const std::string backing = "1;2;3456";
    FloatTriple t = parse_triple(std::string_view(backing).substr(0, 5));
    EXPECT_FLOAT_EQ(t.c, 3.0f);
    FloatTriple u = parse_triple(std::string_view(backing).substr(0, 1));
    EXPECT_FLOAT_EQ(u.a, 1.0f);
    EXPECT_FLOAT_EQ(u.b, 0.0f);
}

TEST(ParsePosition, IntegerPositionNeedsExactlyTwoNumbers) {
    struct Case {
        std::string text;
        int x, y;
    } cases[] = {
        {"10;20", 10, 20},
        {" 5 ; 6 ", 5, 6},
        {"-3,4", -3, 4},
        {"10;20;", 10, 20},
        {"10;20;30", 0, 0},
        {"10", 0, 0},
        {"10;", 0, 0},
        {"", 0, 0},
        {"a;b", 0, 0},
        {"10;;20", 0, 0},
        {"99999999999;1", 0, 0},
    };
    for (const auto& c : cases) {
        IntPosition p = parse_int_position(c.text);
        EXPECT_EQ(p.x, c.x) << c.text;
        EXPECT_EQ(p.y, c.y) << c.text;
    }
}

TEST(ParsePosition, FloatPositionIsZeroUnlessBothNumbersRead) {
    struct Case {
        std::string text;
        float x, y;
    } cases[] = {
        {"12.5;40.25", 12.5f, 40.25f},
        {"1;2;3", 1, 2},
        {"12.5", 0, 0},
        {"12.5;", 0, 0},
        {"x;1", 0, 0},
        {"", 0, 0},
        {"1e999;2", 0, 0},
    };
    for (const auto& c : cases) {
        FloatPosition p = parse_float_position(c.text);
        EXPECT_FLOAT_EQ(p.x, c.x) << c.text;
        EXPECT_FLOAT_EQ(p.y, c.y) << c.text;
    }
}
