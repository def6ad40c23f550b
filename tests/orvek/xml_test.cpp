#include "orvek/XMLParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"

using Vant::XMLElement;
using Vant::XMLParser;

namespace {

// Every item of the file as a short trace: "<a k='v'>", "</a>", "T'text'",
// "?target|rest", then "EOF" or "ERR:text@line".
std::string trace(const std::string& path) {
    XMLParser parser;
    if (!parser.OpenFile(path)) return "OPEN:" + parser.GetErrorText();
    XMLElement e;
    std::string out;
    while (parser.NextElement(&e)) {
        switch (e.mType) {
        case XMLElement::TYPE_START:
            out += "<" + e.mValue;
            for (const auto& [k, v] : e.mAttributes) out += " " + k + "='" + v + "'";
            out += ">";
            break;
        case XMLElement::TYPE_END: out += "</" + e.mValue + ">"; break;
        case XMLElement::TYPE_ELEMENT: out += "T'" + e.mValue + "'"; break;
        case XMLElement::TYPE_INSTRUCTION: out += "?" + e.mValue + "|" + e.mInstruction; break;
        default: out += "BAD"; break;
        }
    }
    if (parser.HasFailed())
        out += "ERR:" + parser.GetErrorText() + "@" + std::to_string(parser.GetCurrentLineNum());
    else
        out += "EOF";
    return out;
}

class XmlReader : public ::testing::Test {
protected:
    std::string run(const std::string& text) {
        std::string path = dir.file("in.xml");
        testsupport::write_file(path, text);
        return trace(path);
    }
    testsupport::TempDir dir;
};

struct Case {
    const char* input;
    const char* expected;
};

TEST_F(XmlReader, ItemSequencesAndErrors) {
    const std::vector<Case> cases = {
        // Self-closing forms.
        {"<a k=\"v\"/>", "<a k='v'></a>EOF"},
        {"<a k=\"v\" />", "<a k='v'></a>EOF"},
        {"<a/>", "<a></a>EOF"},
        {"<a />", "<a></a>EOF"},
        {"<a k=v/>", "<a k='v'></a>EOF"},
        // A quoted trailing slash is part of the value, never a close.
        {"<data path=\"Data/\">x</data>", "<data path='Data/'>T'x'</data>EOF"},
        {"<data path=\"Data/\" />", "<data path='Data/'></data>EOF"},
        {"<data path=\"Data/\"/>", "<data path='Data/'></data>EOF"},
        {"<x a=\"b/\"><y/></x>", "<x a='b/'><y></y></x>EOF"},
        // Attribute syntax.
        {"<a k = \"v\" j=w flag>", "<a flag='' j='w' k='v'>ERR:Unexpected End of File@1"},
        {"<a k='v'/>", "<a k=''v''></a>EOF"},
        {"<a u=\"x?a=b\" e=\"\"/>", "<a e='' u='x?a=b'></a>EOF"},
        {"<a k=\"x  y\"/>", "<a k='x  y'></a>EOF"},
        {"<a k=\"1\" k=\"2\"/>", "<a k='2'></a>EOF"},
        // Text.
        {"<a>  a   b  </a>", "<a>T'a b'</a>EOF"},
        {"<a> \"x  <y>\" z</a>", "<a>T'\"x  <y>\" z'</a>EOF"},
        {"<r>\n <a>1</a>\n <b/>\n</r>\n", "<r><a>T'1'</a><b></b></r>EOF"},
        // Comments and instructions.
        {"<?xml version=\"1.0\"?><a/>", "?xml| version=\"1.0\"<a></a>EOF"},
        {"<!-- c <x> -->\n<a/>", "<a></a>EOF"},
        {"<!--x--><a/>", "<!--x--><a></a>ERR:Unexpected End of File@1"},
        // Entities.
        {"<a>&lt;&amp;&gt;&quot;&apos;&nbsp;&cr;</a>", "<a>T'<&>\"' \n'</a>EOF"},
        {"<a>x&foo;y &amp;lt; z & w</a>", "<a>T'x&y &lt; z & w'</a>EOF"},
        {"<a k=\"&quot;&lt;\"/>", "<a k='\"<'></a>EOF"},
        // Structure errors.
        {"<a></b>", "<a>ERR:End 'b' Doesn't Match Start 'a'@1"},
        {"<r><a>\n</r>", "<r><a>ERR:End 'r' Doesn't Match Start 'a'@2"},
        {"</a>", "ERR:Unexpected End@1"},
        {"<a/b></b>", "<a/b>ERR:End 'b' Doesn't Match Start 'a/b'@1"},
        {"<></>", "<></>EOF"},
        {"<>", "<>ERR:Unexpected End of File@1"},
        {"<a <b>", "ERR:Unexpected '<'@1"},
        {"<a>x > y</a>", "<a>ERR:Unexpected '>'@1"},
        {">", "ERR:Unexpected '>'@1"},
        // Control bytes.
        {"<a>\x01</a>", "<a>ERR:Illegal Character@1"},
        {"<a k=\"\x01\"/>", "<a k='\x01'></a>EOF"},
        // End of file.
        {"<a/>tail", "<a></a>ERR:Unexpected End of File@1"},
        {"<a/>  \n  ", "<a></a>EOF"},
        {"", "EOF"},
        {"<r>\n<a>\n", "<r><a>ERR:Unexpected End of File@3"},
        {"<r><a k=\"v", "<r>ERR:Unexpected End of File@1"},
        {"<!-- open", "ERR:Unexpected End of File@1"},
    };
    for (const Case& c : cases) EXPECT_EQ(run(c.input), c.expected) << "input: " << c.input;
}

TEST_F(XmlReader, SectionsAndAttributeOrder) {
    std::string path = dir.file("s.xml");
    testsupport::write_file(path, "<root><debug z=\"1\" b=\"2\" z=\"3\"><x/></debug></root>");
    XMLParser parser;
    ASSERT_TRUE(parser.OpenFile(path));
    EXPECT_EQ(parser.GetCurrentLineNum(), 1);
    XMLElement e;
    std::vector<std::string> sections;
    std::vector<std::string> names;
    while (parser.NextElement(&e)) {
        sections.push_back(std::to_string(e.mType) + ":" + e.mSection);
        if (e.mValue == "debug" && e.mType == XMLElement::TYPE_START) {
            names = e.mAttributeNames;
            EXPECT_EQ(e.mAttributes.at("z"), "3");
            EXPECT_EQ(parser.GetSection(), "root/debug");
        }
    }
    EXPECT_FALSE(parser.HasFailed());
    EXPECT_EQ(names, (std::vector<std::string>{"z", "b", "z"}));
    EXPECT_EQ(sections, (std::vector<std::string>{"1:", "1:root", "1:root/debug", "2:root/debug/x",
                                                  "2:root/debug", "2:root"}));
}

TEST_F(XmlReader, ReusedRecordHoldsOnlyTheCurrentItem) {
    std::string text = "<r>";
    for (int i = 0; i < 1000; ++i) text += "<p x=\"" + std::to_string(i) + "\" y=\"1\"/>";
    text += "<q/></r>";
    std::string path = dir.file("many.xml");
    testsupport::write_file(path, text);
    XMLParser parser;
    ASSERT_TRUE(parser.OpenFile(path));
    XMLElement e;
    int starts = 0;
    while (parser.NextElement(&e)) {
        if (e.mType != XMLElement::TYPE_START) continue;
        ++starts;
        if (e.mValue == "p") {
            ASSERT_EQ(e.mAttributeNames, (std::vector<std::string>{"x", "y"}));
            ASSERT_EQ(e.mAttributes.size(), 2u);
        } else {
            EXPECT_TRUE(e.mAttributeNames.empty());
            EXPECT_TRUE(e.mAttributes.empty());
        }
    }
    EXPECT_FALSE(parser.HasFailed());
    EXPECT_EQ(starts, 1002);
    // A copy carries the item itself.
    XMLElement copy = e;
    EXPECT_EQ(copy.mValue, e.mValue);
    EXPECT_EQ(copy.mType, e.mType);
}

TEST_F(XmlReader, OpenFailureAndPathResolution) {
    XMLParser parser;
    EXPECT_FALSE(parser.OpenFile(dir.file("missing.xml")));
    EXPECT_TRUE(parser.HasFailed());
    EXPECT_EQ(parser.GetCurrentLineNum(), 0);
    EXPECT_EQ(parser.GetErrorText(), "Unable to open file " + dir.file("missing.xml"));
    XMLElement e;
    EXPECT_FALSE(parser.NextElement(&e));

    // Data names are written with "\" and in any case.
    std::filesystem::create_directories(dir.path() / "data" / "gui");
    testsupport::write_file(dir.path() / "data" / "gui" / "skin.xml", "<a/>");
    EXPECT_TRUE(parser.OpenFile(dir.str() + "/Data\\Gui\\Skin.xml"));
    EXPECT_FALSE(parser.HasFailed());
    EXPECT_TRUE(parser.NextElement(&e));
    EXPECT_EQ(e.mValue, "a");
}

TEST_F(XmlReader, LongRunsCrossTheReadBuffer) {
    // Values and text longer than the reader's internal buffer.
    std::string big(200000, 'x');
    big[100000] = '\n';
    std::string text = "<r k=\"" + big + "\">" + big + "</r>";
    std::string path = dir.file("big.xml");
    testsupport::write_file(path, text);
    XMLParser parser;
    ASSERT_TRUE(parser.OpenFile(path));
    XMLElement e;
    ASSERT_TRUE(parser.NextElement(&e));
    EXPECT_EQ(e.mAttributes.at("k"), big);
    ASSERT_TRUE(parser.NextElement(&e));
    std::string collapsed = big;
    collapsed[100000] = ' ';
    EXPECT_EQ(e.mValue, collapsed);
    ASSERT_TRUE(parser.NextElement(&e));
    EXPECT_EQ(e.mType, XMLElement::TYPE_END);
    EXPECT_FALSE(parser.NextElement(&e));
    EXPECT_FALSE(parser.HasFailed());
    EXPECT_EQ(parser.GetCurrentLineNum(), 3);
}

TEST_F(XmlReader, NestingDeeperThanTheLimitFailsAtItsLine) {
    // A million nested elements, one per line: the reader stops at the first
    // one past the limit instead of walking (and copying) the whole depth.
    std::string deep;
    deep.reserve(4 << 20);
    for (int i = 0; i < 1000000; ++i) deep += "<a>\n";
    std::string starts;
    for (std::size_t i = 0; i < XMLParser::kMaxDepth; ++i) starts += "<a>";
    EXPECT_EQ(run(deep), starts + "ERR:Elements nested too deeply (more than 4096 levels)@4097");

    // The limit itself is still read.
    std::string ends;
    for (std::size_t i = 0; i < XMLParser::kMaxDepth; ++i) ends += "</a>";
    EXPECT_EQ(run(starts + ends), starts + ends + "EOF");
}

TEST_F(XmlReader, SectionsHoldForReusedFreshAndReassignedRecords) {
    const std::string text = "<r><a><b k=\"1\"/>t</a><cc><d/></cc><a><b/></a></r>";
    const std::string path = dir.file("sections.xml");
    testsupport::write_file(path, text);

    std::vector<std::string> fresh;
    {
        XMLParser parser;
        ASSERT_TRUE(parser.OpenFile(path));
        for (;;) {
            XMLElement e;
            if (!parser.NextElement(&e)) break;
            fresh.push_back(e.mSection);
        }
    }
    EXPECT_EQ(fresh, (std::vector<std::string>{"", "r", "r/a", "r/a/b", "r/a", "r/a", "r", "r/cc", "r/cc/d",
                                               "r/cc", "r", "r/a", "r/a/b", "r/a", "r"}));

    // One record for the whole file; two taking turns; one overwritten
    // between items by a record whose section has the same length.
    XMLElement same_length;
    same_length.mSection = "x/y";
    struct Mode {
        const char* name;
        int records;
        bool overwrite;
    } modes[] = {{"reused", 1, false}, {"alternating", 2, false}, {"reassigned", 1, true}};
    for (const Mode& m : modes) {
        SCOPED_TRACE(m.name);
        XMLParser parser;
        ASSERT_TRUE(parser.OpenFile(path));
        XMLElement records[2];
        std::vector<std::string> got;
        for (std::size_t i = 0;; ++i) {
            XMLElement& e = records[i % m.records];
            if (m.overwrite && e.mSection.size() == 3) e = same_length;
            if (!parser.NextElement(&e)) break;
            got.push_back(e.mSection);
        }
        EXPECT_EQ(got, fresh);
    }
}

TEST_F(XmlReader, AReadErrorFailsWithItsReason) {
    // A folder opens but does not read: that is no empty file.
    XMLParser parser;
    ASSERT_TRUE(parser.OpenFile(dir.str()));
    XMLElement e;
    EXPECT_FALSE(parser.NextElement(&e));
    EXPECT_TRUE(parser.HasFailed());
    EXPECT_EQ(parser.GetErrorText(), "Read error: Is a directory");
}

}  // namespace
