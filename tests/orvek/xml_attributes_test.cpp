#include "orvek/config/XmlAttributes.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "support/TestSupport.h"

using orvek::ostrel::XmlAttributes;

namespace {

std::map<std::string, std::string> plain(const XmlAttributes& a) {
    return {a.attributes.begin(), a.attributes.end()};
}

TEST(XmlAttributeMap, KeysDropTheRootAndTheLastDuplicateWins) {
    testsupport::TempDir dir;
    std::string file = dir.file("level_description.xml");
    testsupport::write_file(file,
                            "<?xml version=\"1.0\"?>\n"
                            "<root version=\"3\">\n"
                            "  <!-- the level -->\n"
                            "  <level id=\"7\" name=\"Lake\">\n"
                            "    <way id=\"1\" speed=\"2.5\"/>\n"
                            "    <way id=\"2\"/>\n"
                            "    <note>text is ignored</note>\n"
                            "  </level>\n"
                            "</root>\n");
    XmlAttributes a;
    ASSERT_TRUE(a.load(file.c_str()));
    EXPECT_TRUE(a.loaded);
    EXPECT_EQ(plain(a), (std::map<std::string, std::string>{{"root/@version", "3"},
                                                            {"level/@id", "7"},
                                                            {"level/@name", "Lake"},
                                                            {"level/way/@id", "2"},
                                                            {"level/way/@speed", "2.5"}}));
    EXPECT_EQ(static_cast<int>(a.attributes.at("level/@id")), 7);
    EXPECT_FLOAT_EQ(static_cast<float>(a.attributes.at("level/way/@speed")), 2.5f);

    // A second load starts from an empty map.
    std::string other = dir.file("other.xml");
    testsupport::write_file(other, "<r><x k=\"v\"/></r>");
    ASSERT_TRUE(a.load(other.c_str()));
    EXPECT_EQ(plain(a), (std::map<std::string, std::string>{{"x/@k", "v"}}));
}

TEST(XmlAttributeMap, SyntaxErrorIsReportedWithItsLine) {
    testsupport::TempDir dir;
    std::string file = dir.file("records.xml");
    testsupport::write_file(file, "<root>\n  <a k=\"1\"/>\n  <b k=\"2\"></c>\n  <d k=\"3\"/>\n</root>\n");
    XmlAttributes a;
    EXPECT_FALSE(a.load(file.c_str()));
    EXPECT_FALSE(a.loaded);
    EXPECT_EQ(a.error_text, "End 'c' Doesn't Match Start 'b'");
    EXPECT_EQ(a.error_line, 3);
    EXPECT_EQ(a.attributes.count("a/@k"), 1u);
    EXPECT_EQ(a.attributes.count("d/@k"), 0u);

    // Cut short inside its elements.
    testsupport::write_file(file, "<root>\n  <a k=\"1\"/>\n");
    EXPECT_FALSE(a.load(file.c_str()));
    EXPECT_EQ(a.error_text, "Unexpected End of File");

    EXPECT_FALSE(a.load(dir.file("missing.xml").c_str()));
    EXPECT_FALSE(a.loaded);
    EXPECT_TRUE(a.attributes.empty());
    EXPECT_EQ(a.error_text, "Unable to open file " + dir.file("missing.xml"));
}

}  // namespace
