#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "orvek/config/ConfigAttribute.h"
#include "orvek/config/ConfigRegistry.h"
#include "orvek/config/ConfigValue.h"
#include "support/FullDisk.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

using orvek::ostrel::ConfigAttribute;
using orvek::ostrel::ConfigRegistry;
using orvek::ostrel::ConfigValue;
using orvek::ostrel::ConfigValueReadOnly;
using testsupport::read_file;
using testsupport::write_file;

namespace {

const bool in_private_dir = logcapture::enter_private_dir();

// ---- Conversions of the stored text ----

template <class T>
std::string convert(const std::string& text) {
    try {
        T v = ConfigAttribute(text);
        if constexpr (std::is_same_v<T, bool>) return v ? "true" : "false";
        else return std::to_string(v);
    } catch (const std::domain_error& e) {
        return std::string("!") + e.what();
    }
}

TEST(ConfigAttributeText, ConversionsAcceptOnlyTheWholeText) {
    struct Row {
        std::string text, as_bool, as_int, as_uint;
    };
    const std::string nb = "!Cannot convert value to bool";
    const std::string ni = "!Cannot convert value to Int";
    const std::string nu = "!Cannot convert value to UInt";
    const std::vector<Row> rows = {
        {"true", "true", ni, nu},
        {"1", "true", "1", "1"},
        {"0", "false", "0", "0"},
        {"false", "false", ni, nu},
        {"TRUE", nb, ni, nu},
        {" true", nb, ni, nu},
        {"", nb, ni, nu},
        {" 5", nb, ni, nu},
        {"5 ", nb, ni, nu},
        {"5a", nb, ni, nu},
        {"-5", nb, "-5", "4294967291"},
        // The stream parse takes a negative unsigned with wrap-around.
        {"-1", nb, "-1", "4294967295"},
        {"+7", nb, "7", "7"},
        {"2147483648", nb, ni, "2147483648"},
        {"4294967296", nb, ni, nu},
        {"0x10", nb, ni, nu},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(convert<bool>(r.text), r.as_bool) << "'" << r.text << "'";
        EXPECT_EQ(convert<int>(r.text), r.as_int) << "'" << r.text << "'";
        EXPECT_EQ(convert<unsigned int>(r.text), r.as_uint) << "'" << r.text << "'";
    }
}

TEST(ConfigAttributeText, FloatConversion) {
    EXPECT_FLOAT_EQ(static_cast<float>(ConfigAttribute("1e3")), 1000.0f);
    EXPECT_FLOAT_EQ(static_cast<float>(ConfigAttribute("0.032")), 0.032f);
    EXPECT_FLOAT_EQ(static_cast<float>(ConfigAttribute("-.5")), -0.5f);
    for (const char* bad : {"nan", "inf", "", " 1", "1 ", "1.5f", "1,5", "1e99"}) {
        try {
            (void)static_cast<float>(ConfigAttribute(bad));
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const std::domain_error& e) {
            EXPECT_STREQ(e.what(), "Cannot convert value to float") << bad;
        }
    }
}

TEST(ConfigAttributeText, OutputForms) {
    struct Row {
        float value;
        const char* text;
    };
    for (const Row& r : {Row{600.0f, "600"}, Row{0.032f, "0.032"}, Row{6.2831855f, "6.283185"},
                         Row{-0.5f, "-0.5"}, Row{1e10f, "1e+10"}, Row{1.5e-5f, "1.5e-05"},
                         Row{123456789.0f, "1.234568e+08"}, Row{0.0f, "0"}}) {
        ConfigAttribute a;
        a = r.value;
        EXPECT_EQ(a, r.text);
    }
    ConfigAttribute a;
    a = true;
    EXPECT_EQ(a, "true");
    a = false;
    EXPECT_EQ(a, "false");
    a = -42;
    EXPECT_EQ(a, "-42");
    a = 4000000000u;
    EXPECT_EQ(a, "4000000000");
    a = "text";
    EXPECT_EQ(a, "text");
}

// ---- The registry and its file ----

class ConfigFile : public ::testing::Test {
protected:
    void SetUp() override { ConfigRegistry::instance().elements().clear(); }
    void TearDown() override { ConfigRegistry::instance().elements().clear(); }

    ConfigRegistry& reg = ConfigRegistry::instance();
    testsupport::TempDir dir;
    std::string file = dir.file("Trelm.cfg.xml");
};

const char* const kFirstStart =
    "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n"
    "<root>\n"
    "  <debug\n"
    "    draw_stats=\"true\"\n"
    "    draw_ways=\"true\"/>\n"
    "  <game\n"
    "    num_lifes=\"3\"/>\n"
    "</root>\n";

TEST_F(ConfigFile, FirstStartWritesEveryDefault) {
    ConfigValueReadOnly<bool> stats("debug/@draw_stats", true);
    ConfigValueReadOnly<bool> ways("debug/@draw_ways", true);
    ConfigValueReadOnly<int> lifes("game/@num_lifes", 3);
    EXPECT_FALSE(reg.load(file.c_str()));
    reg.update_values();
    ASSERT_TRUE(reg.save(file.c_str()));
    EXPECT_EQ(read_file(file), kFirstStart);
    EXPECT_TRUE(stats.get());
    EXPECT_EQ(lifes.get(), 3);
    EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));

    // Loading that file and saving again changes nothing.
    ASSERT_TRUE(reg.load(file.c_str()));
    reg.update_values();
    ASSERT_TRUE(reg.save(file.c_str()));
    EXPECT_EQ(read_file(file), kFirstStart);
}

TEST_F(ConfigFile, ExistingFileKeepsItsOrderAndGainsMissingKeys) {
    write_file(file, "<root><debug draw_ways=\"0\" /><extra b=\"2\" a=\"1\"/></root>");
    ConfigValueReadOnly<bool> stats("debug/@draw_stats", true);
    ConfigValueReadOnly<bool> ways("debug/@draw_ways", true);
    ConfigValueReadOnly<int> lifes("game/@num_lifes", 3);
    ASSERT_TRUE(reg.load(file.c_str()));
    reg.update_values();
    EXPECT_FALSE(ways.get());
    EXPECT_TRUE(stats.get());
    ASSERT_TRUE(reg.save(file.c_str()));
    EXPECT_EQ(read_file(file),
              "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n"
              "<root>\n"
              "  <debug\n"
              "    draw_ways=\"0\"\n"
              "    draw_stats=\"true\"/>\n"
              "  <extra\n"
              "    a=\"1\"\n"
              "    b=\"2\"/>\n"
              "  <game\n"
              "    num_lifes=\"3\"/>\n"
              "</root>\n");
}

TEST_F(ConfigFile, LoadRules) {
    write_file(file,
               "<?xml version=\"1.0\"?>\n<root ver=\"2\">\n"
               "<!-- note -->\n"
               "<app dt=\"0.02\" lang=\"ru\">text</app>\n"
               "<empty/>\n"
               "<app dt=\"0.05\" zz=\"1\"/>\n"
               "</root>\n");
    ASSERT_TRUE(reg.load(file.c_str()));
    ASSERT_EQ(reg.elements().size(), 2u);
    EXPECT_EQ(reg.get_string("root/@ver"), "2");
    const auto& app = reg.elements().at("app");
    ASSERT_EQ(app.size(), 4u);
    EXPECT_EQ(app[0].first, "dt");
    EXPECT_EQ(app[1].first, "lang");
    EXPECT_EQ(app[2].first, "dt");
    // The first entry of a name wins on lookup.
    EXPECT_FLOAT_EQ(reg.get_float("app/@dt", 1.0f), 0.02f);
    EXPECT_EQ(reg.get_int("app/@missing", 7), 7);
    EXPECT_EQ(reg.get_string("app/@missing"), "");
    EXPECT_EQ(reg.get_string("app/@missing", "x"), "x");
    EXPECT_THROW(reg.get_int("app/@lang", 0), std::domain_error);

    // A repeated name is saved once, with the text that was read.
    ASSERT_TRUE(reg.save(file.c_str()));
    ASSERT_TRUE(reg.load(file.c_str()));
    ASSERT_EQ(reg.elements().at("app").size(), 3u);
    EXPECT_EQ(reg.get_string("app/@dt"), "0.02");

    // A second load starts afresh; a missing file leaves nothing.
    EXPECT_FALSE(reg.load(dir.file("none.xml").c_str()));
    EXPECT_TRUE(reg.elements().empty());
}

TEST_F(ConfigFile, KeysAndTypedSetters) {
    EXPECT_EQ(ConfigRegistry::split_key("render/@platform_ball0_x"),
              (std::pair<std::string, std::string>{"render", "platform_ball0_x"}));
    EXPECT_EQ(ConfigRegistry::split_key("a/b/@c"), (std::pair<std::string, std::string>{"a/b", "c"}));
    EXPECT_EQ(ConfigRegistry::split_key("plain"), (std::pair<std::string, std::string>{"plain", "plain"}));

    reg.set_bool("debug/@flag", true);
    EXPECT_EQ(reg.get_string("debug/@flag"), "true");
    reg.set_bool("debug/@flag", false);
    EXPECT_EQ(reg.get_string("debug/@flag"), "0");
    EXPECT_FALSE(reg.get_bool("debug/@flag", true));
    reg.set_bool("debug/@flag", true);
    EXPECT_EQ(reg.get_string("debug/@flag"), "1");
    EXPECT_TRUE(reg.get_bool("debug/@flag", false));

    reg.set_float("platform/@speed", 6.2831855f);
    EXPECT_EQ(reg.get_string("platform/@speed"), "6.283185");
    reg.set_uint("platform/@n", 5u);
    reg.set_int("platform/@n", -1);
    EXPECT_EQ(reg.get_int("platform/@n", 0), -1);
    EXPECT_EQ(reg.elements().at("platform").size(), 2u);
    EXPECT_TRUE(reg.has("platform/@n"));
    EXPECT_FALSE(reg.has("platform/@m"));
    EXPECT_FALSE(reg.has("nowhere/@n"));
}

TEST_F(ConfigFile, AnyValueSurvivesSaveAndLoad) {
    const std::vector<std::string> texts = {
        "say \"hi\"", "a & b", "<tag>", "&amp;", "&cr;", "Data/", "x?a=b", "two  blanks",
        "line\nbreak", "", "\x01\x7f\xff", " lead", "&quot"};
    for (std::size_t i = 0; i < texts.size(); ++i)
        reg.set_string(("values/@v" + std::to_string(i)).c_str(), texts[i]);
    reg.set_int("later/@n", 9);
    ASSERT_TRUE(reg.save(file.c_str()));
    ASSERT_TRUE(reg.load(file.c_str())) << read_file(file);
    for (std::size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(reg.get_string(("values/@v" + std::to_string(i)).c_str()), texts[i]);
    EXPECT_EQ(reg.get_int("later/@n", 0), 9);
}

TEST_F(ConfigFile, NestedElementPathsReadBack) {
    reg.set_int("a/b/@c", 1);
    reg.set_int("a/@d", 2);
    reg.set_int("a-x/@e", 3);
    reg.set_int("z/y/x/@f", 4);
    reg.set_int("after/@g", 5);
    ASSERT_TRUE(reg.save(file.c_str()));
    ASSERT_TRUE(reg.load(file.c_str())) << read_file(file);
    EXPECT_EQ(reg.get_int("a/b/@c", 0), 1);
    EXPECT_EQ(reg.get_int("a/@d", 0), 2);
    EXPECT_EQ(reg.get_int("a-x/@e", 0), 3);
    EXPECT_EQ(reg.get_int("z/y/x/@f", 0), 4);
    EXPECT_EQ(reg.get_int("after/@g", 0), 5);
    EXPECT_EQ(reg.elements().size(), 5u);
}

TEST_F(ConfigFile, DamagedFileKeepsTheUsersSettings) {
    const std::string damaged =
        "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<root>\n"
        "  <debug\n    draw_ways=\"0\"/>\n"
        "  <game\n    num_lifes=\"5\"\n    speed=\"2";
    write_file(file, damaged);
    ConfigValueReadOnly<bool> ways("debug/@draw_ways", true);
    ConfigValueReadOnly<int> lifes("game/@num_lifes", 3);
    EXPECT_FALSE(reg.load(file.c_str()));
    // The damaged file is kept before anything is written over it.
    const std::string backup = dir.file("Trelm.cfg.prev.xml");
    EXPECT_EQ(read_file(backup), damaged);
    reg.update_values();
    EXPECT_FALSE(ways.get());  // read before the damage
    ASSERT_TRUE(reg.save(file.c_str()));
    ASSERT_TRUE(reg.load(file.c_str()));
    EXPECT_EQ(reg.get_string("debug/@draw_ways"), "0");
    EXPECT_EQ(read_file(backup), damaged);

    // Garbage that is no XML at all is kept too, beside the first copy.
    write_file(file, "\x01\x02garbage");
    EXPECT_FALSE(reg.load(file.c_str()));
    EXPECT_EQ(read_file(backup), damaged);
    EXPECT_EQ(read_file(dir.file("Trelm.cfg.prev2.xml")), "\x01\x02garbage");
}

TEST_F(ConfigFile, SaveReportsFailure) {
    reg.set_int("a/@b", 1);
    write_file(dir.file("blocker"), "x");
    EXPECT_FALSE(reg.save(dir.file("blocker/dir/x.cfg.xml").c_str()));
    // A directory in the file's place cannot be replaced; nothing is left behind.
    std::filesystem::create_directory(dir.file("taken.xml"));
    EXPECT_FALSE(reg.save(dir.file("taken.xml").c_str()));
    EXPECT_FALSE(std::filesystem::exists(dir.file("taken.xml.tmp")));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken.xml")));
}

TEST_F(ConfigFile, SaveThenLoadNeverChangesAValue) {
    struct Case {
        const char* name;
        const char* text;
        const char* key;
        const char* value;
    } cases[] = {
        {"two elements of one name",
         "<root><game num_lifes=\"4\"/><game num_lifes=\"9\"/></root>", "game/@num_lifes", "4"},
        {"two nested paths of one name",
         "<root><a><b x=\"1\" y=\"2\"/></a><a><b x=\"3\"/></a></root>", "a/b/@x", "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write_file(file, c.text);
        ASSERT_TRUE(reg.load(file.c_str()));
        EXPECT_EQ(reg.get_string(c.key), c.value);
        ASSERT_TRUE(reg.save(file.c_str()));
        const std::string saved = read_file(file);
        const std::string name = std::string(c.key).substr(std::string(c.key).rfind('@') + 1) + "=";
        EXPECT_EQ(saved.find(name), saved.rfind(name)) << saved;
        ASSERT_TRUE(reg.load(file.c_str()));
        EXPECT_EQ(reg.get_string(c.key), c.value);
    }
}

TEST_F(ConfigFile, AFileWithoutSettingsIsDamagedNotEmpty) {
    // Each is logged and kept aside (when it can be read), and the defaults
    // are used; a folder cannot be kept, so nothing is saved over it.
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n";
    struct Case {
        const char* name;
        bool folder;
        std::string text;
        const char* logged;
        bool saved;
    } cases[] = {
        {"empty file", false, "", "has no root element; the default settings are used", true},
        {"cut after its declaration", false, declaration, "has no root element", true},
        {"comment only", false, declaration + "<!-- x -->\n", "has no root element", true},
        {"a folder", true, "", "Read error: Is a directory", false},
    };
    ConfigValueReadOnly<int> lifes("game/@num_lifes", 3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir here;
        const std::string path = here.file("Trelm.cfg.xml");
        const std::string kept = here.file("Trelm.cfg.prev.xml");
        if (c.folder) std::filesystem::create_directories(path + "/inside");
        else write_file(path, c.text);
        logcapture::LogMark mark;
        EXPECT_FALSE(reg.load(path.c_str()));
        EXPECT_NE(mark.text().find(c.logged), std::string::npos) << mark.text();
        reg.update_values();
        EXPECT_EQ(lifes.get(), 3);
        EXPECT_EQ(reg.save(path.c_str()), c.saved);
        if (c.folder) {
            EXPECT_FALSE(std::filesystem::exists(kept));
            EXPECT_TRUE(std::filesystem::is_directory(path + "/inside"));
            EXPECT_NE(mark.text().find("not saved: '" + path + "' is damaged and could not be kept"),
                      std::string::npos)
                << mark.text();
        } else {
            EXPECT_EQ(read_file(kept), c.text);
            EXPECT_NE(read_file(path).find("num_lifes=\"3\""), std::string::npos);
        }
    }
}

TEST_F(ConfigFile, ADamagedFileThatCouldNotBeKeptIsNeverSavedOver) {
    const std::string damaged = "<root><game num_lifes=\"7\"" + std::string(6000, ' ');
    write_file(file, damaged);
    const std::string kept = dir.file("Trelm.cfg.prev.xml");
    reg.set_int("game/@num_lifes", 1);

    // A full disk: the copy cannot be written whole, so the save is refused.
    const std::string got = fulldisk::run(1024, [&] {
        ConfigRegistry child;
        const bool loaded = child.load(file.c_str());
        child.set_int("game/@num_lifes", 2);
        const bool saved = child.save(file.c_str());
        return std::string(loaded ? "loaded" : "damaged") + (saved ? ", saved" : ", refused");
    });
    EXPECT_EQ(got, "damaged, refused");
    EXPECT_EQ(read_file(file), damaged);
    EXPECT_FALSE(std::filesystem::exists(kept));
    EXPECT_FALSE(std::filesystem::exists(kept + ".tmp"));

    // The copy's temporary name is taken: refused until it is free again.
    std::filesystem::create_directory(kept + ".tmp");
    EXPECT_FALSE(reg.load(file.c_str()));
    EXPECT_FALSE(reg.save(file.c_str()));
    EXPECT_EQ(read_file(file), damaged);
    std::filesystem::remove(kept + ".tmp");
    EXPECT_TRUE(reg.save(file.c_str()));
    EXPECT_EQ(read_file(kept), damaged);
}

// ---- Typed values ----

TEST_F(ConfigFile, ValueWithUnreadableTextFallsBackToItsDefault) {
    write_file(file, "<root><game num_lifes=\"three\" speed=\"fast\" on=\"yes\" name=\"x\"/></root>");
    ASSERT_TRUE(reg.load(file.c_str()));
    ConfigValueReadOnly<int> lifes("game/@num_lifes", 3);
    ConfigValueReadOnly<float> speed("game/@speed", 1.5f);
    ConfigValue<bool> on("game/@on", true);
    ConfigValueReadOnly<std::string> name("game/@name", "y");
    reg.update_values();
    EXPECT_EQ(lifes.get(), 3);
    EXPECT_FLOAT_EQ(speed.get(), 1.5f);
    EXPECT_EQ(name.get(), "x");
    // The read-only value leaves the user's text for the user to mend ...
    EXPECT_EQ(reg.get_string("game/@num_lifes"), "three");
    // ... the uncached one replaces it, so later reads of the key succeed.
    EXPECT_TRUE(reg.get_bool("game/@on", false));
}

TEST_F(ConfigFile, ValuesCacheOnUpdate) {
    write_file(file, "<root><p flag=\"0\" keep=\"1\"/></root>");
    ASSERT_TRUE(reg.load(file.c_str()));
    ConfigValueReadOnly<float> speed("platform/@ball_speed", 600.0f);
    ConfigValueReadOnly<unsigned int> count("platform/@count", 4u);
    ConfigValue<bool> keep("p/@keep", false);
    ConfigValue<float> f("p/@f", 0.25f);
    EXPECT_EQ(speed.get(), 0.0f);  // nothing read before the first update
    reg.update_values();
    EXPECT_EQ(speed.get(), 600.0f);
    EXPECT_EQ(reg.get_string("platform/@ball_speed"), "600");
    EXPECT_EQ(count.get(), 4u);
    EXPECT_EQ(reg.get_string("p/@keep"), "1");
    EXPECT_EQ(reg.get_string("p/@f"), "0.25");

    // A setter reaches the cached value at the next update only.
    reg.set_float("platform/@ball_speed", 300.0f);
    EXPECT_EQ(speed.get(), 600.0f);
    reg.update_values();
    EXPECT_EQ(speed.get(), 300.0f);
}

TEST_F(ConfigFile, EnsureUpdatedGivesEveryValueItsSetting) {
    ConfigValueReadOnly<int> a("t/@a", 11);
    reg.ensure_updated();
    EXPECT_TRUE(reg.updated());
    EXPECT_EQ(a.get(), 11);
    reg.set_int("t/@a", 12);
    const void* gone = nullptr;
    {
        ConfigValueReadOnly<int> b("t/@b", 21);
        gone = &b;
        EXPECT_FALSE(reg.updated());
        reg.ensure_updated();  // only the value that was never updated
        EXPECT_EQ(b.get(), 21);
        EXPECT_EQ(a.get(), 11);
        EXPECT_TRUE(reg.updated());
    }
    // A value that is gone leaves the registry with it.
    const auto& values = reg.values();
    EXPECT_EQ(std::count(values.begin(), values.end(), &a), 1);
    EXPECT_EQ(std::count(values.begin(), values.end(), gone), 0);
    reg.update_values();
    EXPECT_EQ(a.get(), 12);
}

}  // namespace
