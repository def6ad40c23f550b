// The descriptor reader and tokenizer, unquoting, and the resolution of
// arguments through defines.
#include "framework/graphics/DescParser.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

using Vant::DataElement;
using Vant::DescParser;
using Vant::ListDataElement;
using Vant::SingleDataElement;

// Records every command it is handed; "Define name value" binds the value
// as written, and a command named "Fail" fails.
class RecordingParser : public DescParser {
public:
    bool Error(const std::string& message) override {
        errorLine = mCurrentLineNum;
        return DescParser::Error(message);
    }
    bool HandleCommand(const ListDataElement& params) override {
        seen.push_back(DataElementToString(params));
        lines.push_back(mCurrentLineNum);
        const auto& v = params.mElementVector;
        const std::string name = static_cast<const SingleDataElement&>(*v[0]).mString;
        if (name == "Fail") return Error("handler refused");
        if (name == "Define" && v.size() == 3 && !v[1]->mIsList) {
            std::string key = static_cast<const SingleDataElement&>(*v[1]).mString;
            for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            mDefineMap[key] = v[2]->Duplicate();
        }
        return true;
    }
    std::vector<std::string> seen;
    std::vector<int> lines;
    int errorLine = -1;
};

std::string Join(const std::vector<std::string>& v) {
    std::string s;
    for (const auto& e : v) s += (s.empty() ? "" : " | ") + e;
    return s;
}

TEST(DescParser, ReadsCommandsOrReportsTheErrorAndItsLine) {
    struct Case {
        const char* name;
        std::string text;
        std::string commands;  // joined as read, up to a failure
        std::string error;     // empty when the load succeeds
        int errorLine;
        int cmdSep = DescParser::CMDSEP_SEMICOLON;
    };
    const Case cases[] = {
        {"empty", "", "", "", 0},
        {"comments and blanks only", "# a comment\r\n\r\n   \t\n  # another ; still comment\n", "", "", 0},
        {"several lines, last without ;", "Define A 1;\nDefine B\n  (1, 2)\n  ;\r\nLast x",
         "(Define, A, 1) | (Define, B, (1, 2)) | (Last, x)", "", 0},
        {"# inside a line is a byte", "Cmd a#b # c;", "(Cmd, a#b, #, c)", "", 0},
        {"# right after ; starts a comment", "A x; # gone ; B\nC", "(A, x) | (C)", "", 0},
        {"; and # inside quotes", "Say 'a;b#c' \"d;e\" ';';", "(Say, 'a;b#c', \"d;e\", ';')", "", 0},
        {"quote of the other kind", "Say \"it's\" 'a\"b';", "(Say, \"it's\", 'a\"b')", "", 0},
        {"nested lists, commas and tabs", "L (1,(2\t3)),x;", "(L, (1, (2, 3)), x)", "", 0},
        {"list then token", "Cmd (a)b;", "(Cmd, (a), b)", "", 0},
        {"backslash joins words", "Cmd a\\ b;", "(Cmd, a b)", "", 0},
        {"backslash before ; still ends it", "Cmd a\\;b", "(Cmd, a) | (b)", "", 0},
        {"escaped quote inside quotes", "Cmd 'it\\'s';", "(Cmd, 'it's')", "", 0},
        {"double backslash inside quotes", "Cmd 'a\\\\b';", "(Cmd, 'a\\b')", "", 0},
        {"quote open across lines", "Cmd 'a\n   b';", "(Cmd, 'a\nb')", "", 0},
        {"indent continues a command", "A 1\n  2\nB 3\n", "(A, 1, 2) | (B, 3)", "", 0,
         DescParser::CMDSEP_NO_INDENT},
        {"missing command", "Ok;\n(a b) c;", "(Ok)", "Missing Command", 2},
        {"token then (", "Cmd a(b);", "", "Unexpected List Start", 1},
        {"stray )", "A;\n\nCmd a);", "(A)", "Unexpected List End", 3},
        {"unterminated single", "Cmd 'abc;\nMore;", "", "Unterminated Single Quotes", 1},
        {"unterminated double", "Cmd \"abc", "", "Unterminated Double Quotes", 1},
        {"unterminated list, line of its start", "A 1;\n\nB (1\n2;\nC;", "(A, 1)", "Unterminated List", 3},
        {"handler failure stops reading", "A;\nFail now;\nB;", "(A) | (Fail, now)", "handler refused", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingParser p;
        p.mCmdSep = c.cmdSep;
        EXPECT_EQ(p.LoadDescriptorText(c.text), c.error.empty());
        EXPECT_EQ(Join(p.seen), c.commands);
        EXPECT_EQ(p.mError, c.error);
        if (!c.error.empty()) {
            EXPECT_EQ(p.errorLine, c.errorLine);
        }
        EXPECT_EQ(p.mCurrentLineNum, 0);
        EXPECT_TRUE(p.mCurrentLine.empty());
    }
}

TEST(DescParser, HandlerSeesTheLineTheCommandBeganOn) {
    RecordingParser p;
    ASSERT_TRUE(p.LoadDescriptorText("\n\n  A\n1;\n# c\nB;C"));
    EXPECT_EQ(p.lines, (std::vector<int>{3, 6, 6}));
}

TEST(DescParser, LoadsFilesAndFailsSilentlyOnMissingOnes) {
    testsupport::TempDir dir;
    testsupport::write_file(dir.file("font.txt"), "Define Size 12;\r\nSet Size;\r\n");
    RecordingParser p;
    EXPECT_TRUE(p.LoadDescriptor(dir.file("font.txt")));
    EXPECT_EQ(Join(p.seen), "(Define, Size, 12) | (Set, Size)");

    RecordingParser q;
    q.mError = "old";
    EXPECT_FALSE(q.LoadDescriptor(dir.file("absent.txt")));
    EXPECT_EQ(q.mError, "");
    EXPECT_TRUE(q.seen.empty());
}

TEST(DescParser, DeepNestingIsRefusedNotOverflowed) {
    RecordingParser p;
    EXPECT_FALSE(p.LoadDescriptorText("Cmd " + std::string(100000, '(')));
    EXPECT_FALSE(p.mError.empty());
    RecordingParser q;
    EXPECT_TRUE(q.LoadDescriptorText("Cmd " + std::string(50, '(') + std::string(50, ')')));
}

TEST(DescParser, Unquote) {
    const std::pair<std::string, std::string> cases[] = {
        {"abc", "abc"},       {"'abc'", "abc"},         {"\"abc\"", "abc"},
        {"'it''s'", "it's"},  {"''", "'"},              {"\"say \"\"hi\"\"!\"", "say \"hi\"!"},
        {"'a\"b'", "a\"b"},   {"'it's'", "its"},        {"", ""},
        {"12", "12"},         {"'unclosed", "unclosed"},
    };
    for (const auto& [in, want] : cases) EXPECT_EQ(DescParser::Unquote(in), want) << in;
}

TEST(DescParser, LiteralTokens) {
    for (const char* t : {"0", "9x", "-1", "+2", "'a'", "\"b\""}) EXPECT_TRUE(DescParser::IsLiteralToken(t)) << t;
    for (const char* t : {"", "abc", ".5", "_x", "("}) EXPECT_FALSE(DescParser::IsLiteralToken(t)) << t;
}

class Resolving : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(p.LoadDescriptorText(
            "Define Widths (1, 0x10, -3);\n"
            "Define Scales (0.5 -2 3);\n"
            "Define Title 'x y';\n"
            "Define Nested (1 (2));\n"
            "Define Mixed (1 'two' Title);\n"))
            << p.mError;
    }
    // The arguments of a command text, as the tokenizer gives them.
    ListDataElement Args(const std::string& text) {
        ListDataElement l;
        EXPECT_TRUE(p.ParseToList(text, &l, false, nullptr));
        return l;
    }
    RecordingParser p;
};

TEST_F(Resolving, DefinesAreFoundWithoutRegardToCase) {
    for (const char* name : {"widths", "WIDTHS", "wIdThS"}) EXPECT_NE(p.FindDefine(name), nullptr) << name;
    EXPECT_EQ(p.FindDefine("Width"), nullptr);
    std::vector<int> v;
    EXPECT_TRUE(p.DataToIntVector(*Args("widths").mElementVector[0], &v));
    EXPECT_EQ(v, (std::vector<int>{1, 16, -3}));
}

TEST_F(Resolving, GetValuesUnquotesCopiesAndDereferences) {
    ListDataElement out;
    ASSERT_TRUE(p.GetValues(Args("7 'q''s' title (nested +2)"), &out)) << p.mError;
    EXPECT_EQ(DescParser::DataElementToString(out), "(7, q's, 'x y', ((1, (2)), +2))");

    p.mError.clear();
    EXPECT_FALSE(p.GetValues(Args("1 (2 Nope)"), &out));
    EXPECT_EQ(p.mError, "Unable to Dereference \"Nope\"");
}

TEST_F(Resolving, Conversions) {
    std::vector<int> ints;
    std::vector<double> doubles;
    std::vector<std::string> strings;
    std::string s;
    ListDataElement list;

    EXPECT_TRUE(p.DataToDoubleVector(*Args("Scales").mElementVector[0], &doubles));
    EXPECT_EQ(doubles, (std::vector<double>{0.5, -2, 3}));
    EXPECT_TRUE(p.DataToIntVector(*Args("(4 5)").mElementVector[0], &ints));
    EXPECT_EQ(ints, (std::vector<int>{4, 5}));
    EXPECT_FALSE(p.DataToIntVector(*Args("(4 5.5)").mElementVector[0], &ints));
    EXPECT_FALSE(p.DataToIntVector(*Args("(4 99999999999)").mElementVector[0], &ints));

    // A list bound to a name is used as stored; a list literal is resolved.
    EXPECT_TRUE(p.DataToStringVector(*Args("Mixed").mElementVector[0], &strings));
    EXPECT_EQ(strings, (std::vector<std::string>{"1", "'two'", "Title"}));
    EXPECT_TRUE(p.DataToStringVector(*Args("(1 'two' Title)").mElementVector[0], &strings));
    EXPECT_EQ(strings, (std::vector<std::string>{"1", "two", "'x y'"}));
    strings = {"stale"};
    EXPECT_FALSE(p.DataToStringVector(*Args("Nested").mElementVector[0], &strings));
    EXPECT_TRUE(strings.empty());
    p.mError.clear();
    EXPECT_FALSE(p.DataToStringVector(*Args("Title").mElementVector[0], &strings));
    EXPECT_EQ(p.mError, "");
    EXPECT_FALSE(p.DataToStringVector(*Args("Nope").mElementVector[0], &strings));
    EXPECT_EQ(p.mError, "Unable to Dereference \"Nope\"");

    EXPECT_TRUE(p.DataToString(*Args("title").mElementVector[0], &s));
    EXPECT_EQ(s, "x y");
    EXPECT_TRUE(p.DataToString(*Args("'a''b'").mElementVector[0], &s));
    EXPECT_EQ(s, "a'b");
    EXPECT_TRUE(p.DataToString(*Args("unbound").mElementVector[0], &s));
    EXPECT_EQ(s, "unbound");
    EXPECT_FALSE(p.DataToString(*Args("Widths").mElementVector[0], &s));
    EXPECT_FALSE(p.DataToString(*Args("(a)").mElementVector[0], &s));
    EXPECT_EQ(s, "");

    EXPECT_TRUE(p.DataToList(*Args("Widths").mElementVector[0], &list));
    EXPECT_EQ(DescParser::DataElementToString(list), "(1, 0x10, -3)");
    EXPECT_FALSE(p.DataToList(*Args("Title").mElementVector[0], &list));
    EXPECT_FALSE(p.DataToList(*Args("Nope").mElementVector[0], &list));
}

TEST(DataElements, ListsCopyDeeply) {
    RecordingParser p;
    ListDataElement a;
    ASSERT_TRUE(p.ParseToList("x (y z)", &a, false, nullptr));
    ListDataElement b = a;
    auto dup = a.Duplicate();
    static_cast<SingleDataElement&>(*static_cast<ListDataElement&>(*a.mElementVector[1]).mElementVector[0]).mString = "Q";
    EXPECT_EQ(DescParser::DataElementToString(a), "(x, (Q, z))");
    EXPECT_EQ(DescParser::DataElementToString(b), "(x, (y, z))");
    EXPECT_EQ(DescParser::DataElementToString(*dup), "(x, (y, z))");
    const ListDataElement& self = b;
    b = self;
    a = b;
    EXPECT_EQ(DescParser::DataElementToString(a), "(x, (y, z))");
}

}  // namespace
