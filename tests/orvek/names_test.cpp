#include "orvek/Names.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

using orvek::intern_name;
using orvek::TextParams;

TEST(InternName, EqualTextsShareOneStoredCopy) {
    std::string a = "%player%";
    std::string b = "%player%";
    const char* pa = intern_name(a.c_str(), a.size());
    const char* pb = intern_name(b.c_str(), b.size());
    EXPECT_EQ(pa, pb);
    EXPECT_NE(pa, a.c_str());
    EXPECT_STREQ(pa, "%player%");
    EXPECT_NE(intern_name("%players%", 9), pa);
}

TEST(InternName, UsesOnlyTheGivenLengthAndTerminatesTheCopy) {
    const char* p = intern_name("abcdef", 3);
    EXPECT_STREQ(p, "abc");
    EXPECT_EQ(p, intern_name("abc", 3));
    EXPECT_STREQ(intern_name("", 0), "");
}

TEST(InternName, PointersStayValidWhileTheTableGrows) {
    const char* first = intern_name("stable-name", 11);
    for (int i = 0; i < 20000; ++i) {
        std::string s = "grow-" + std::to_string(i);
        intern_name(s.c_str(), s.size());
    }
    EXPECT_STREQ(first, "stable-name");
    EXPECT_EQ(first, intern_name("stable-name", 11));
}

struct ApplyCase {
    const char* what;
    std::vector<std::pair<const char*, const char*>> params;
    std::string text;
    std::string expected;
};

void PrintTo(const ApplyCase& c, std::ostream* os) { *os << c.what; }

class TextParamsApply : public ::testing::TestWithParam<ApplyCase> {};

TEST_P(TextParamsApply, ReplacesPlaceholders) {
    const ApplyCase& c = GetParam();
    TextParams params;
    for (const auto& [name, value] : c.params) params.set(name, value);
    std::string text = c.text;
    params.apply(text);
    EXPECT_EQ(text, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextParamsApply,
    ::testing::Values(
        ApplyCase{"no placeholders", {{"%name%", "Ann"}}, "Level complete!", "Level complete!"},
        ApplyCase{"empty text", {{"%name%", "Ann"}}, "", ""},
        ApplyCase{"every occurrence", {{"%name%", "Ann"}}, "%name%, well done %name%", "Ann, well done Ann"},
        ApplyCase{"several entries", {{"%name%", "Ann"}, {"%count%", "12"}},
                  "%name% has %count% balls", "Ann has 12 balls"},
        ApplyCase{"adjacent placeholders", {{"%a%", "1"}, {"%b%", "2"}}, "%a%%b%%a%", "121"},
        ApplyCase{"later value wins", {{"%count%", "1"}, {"%count%", "2"}}, "n=%count%", "n=2"},
        ApplyCase{"value holding its own placeholder", {{"%name%", "x%name%y"}},
                  "%name% and %name%", "x%name%y and x%name%y"},
        ApplyCase{"inserted text naming a later entry", {{"%name%", "%time%"}, {"%time%", "12:00"}},
                  "%name% at %time%", "%time% at 12:00"},
        ApplyCase{"inserted text naming an earlier entry", {{"%name%", "%count%"}, {"%count%", "5"}},
                  "%name% has %count%", "%count% has 5"},
        ApplyCase{"case-sensitive", {{"%name%", "Ann"}}, "%Name% %NAME%", "%Name% %NAME%"},
        ApplyCase{"name longer than the text", {{"%a_long_name%", "x"}}, "%a_", "%a_"},
        ApplyCase{"placeholder at the very end", {{"%t%", "9"}}, "time %t%", "time 9"},
        ApplyCase{"prefix name sorts first and wins", {{"%a%", "2"}, {"%a", "1"}}, "%a% %a", "1% 1"},
        ApplyCase{"empty value", {{"%name%", ""}}, "[%name%]", "[]"},
        ApplyCase{"empty name matches nothing", {{"", "x"}}, "abc", "abc"},
        ApplyCase{"8-bit text", {{"%\xE8\xEC\xFF%", "\xC0\xED\xFF"}}, "\xCF\xF0\xE8: %\xE8\xEC\xFF%",
                  "\xCF\xF0\xE8: \xC0\xED\xFF"}),
    [](const ::testing::TestParamInfo<ApplyCase>& info) { return "case" + std::to_string(info.index); });

TEST(TextParams, NumbersAreDecimalText) {
    TextParams params;
    params.set_int("%lives%", -3).set_uint("%score%", 18446744073709551615ull).set_int("%zero%", 0);
    std::string text = "%lives% %score% %zero%";
    params.apply(text);
    EXPECT_EQ(text, "-3 18446744073709551615 0");
}

TEST(TextParams, NullValueIsEmptyAndNullNameIsIgnored) {
    TextParams params;
    params.set("%name%", nullptr).set(nullptr, "x");
    std::string text = "<%name%>";
    params.apply(text);
    EXPECT_EQ(text, "<>");
}

TEST(TextParams, CopiesAreIndependent) {
    TextParams a;
    a.set("%n%", "1");
    TextParams b = a;
    b.set("%n%", "2");
    std::string ta = "%n%", tb = "%n%";
    a.apply(ta);
    b.apply(tb);
    EXPECT_EQ(ta, "1");
    EXPECT_EQ(tb, "2");
}

}  // namespace
