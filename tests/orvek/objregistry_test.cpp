// Factory registries: both encodings of factory references, id numbering,
// and the failures of damaged references.
#include <gtest/gtest.h>

#include <sstream>

#include "orvek/Exception.h"
#include "orvek/io/Registry.h"
#include "orvek/io/Stream.h"
#include "support/LogCapture.h"
#include "support/StreamTestKit.h"

using namespace orvek::io;
using logcapture::LogMark;
using streamkit::Bytes;

namespace {

const bool in_private_dir = logcapture::enter_private_dir();

struct Apple : Object {
    void save(OStream&) const override {}
    void load(IStream&) override {}
};
struct Pear : Object {
    void save(OStream&) const override {}
    void load(IStream&) override {}
};

orvek::Factory<Apple> apple_factory("class t::Apple");
orvek::Factory<Pear> pear_factory("class t::Pear");

// Writes apple, apple2, pear, apple again (bare key) without body lengths.
std::string write_fruit(Registry* registry) {
    std::stringbuf buf;
    Apple a1, a2;
    Pear p;
    OStream os(&buf, registry);
    os.flags(0);
    os.write_object(&a1, "class t::Apple");
    os.write_object(&a2, "class t::Apple");
    os.write_object(&p, "class t::Pear");
    os.write_object(&a1, "class t::Apple");
    return buf.str();
}

}  // namespace

TEST(FactoryRegistry, BothEncodingsNumberNamesInOrderOfFirstUse) {
    Registry2 current;
    Registry1 legacy;
    const std::string current_bytes = write_fruit(&current);
    const std::string legacy_bytes = write_fruit(&legacy);
    EXPECT_EQ(current_bytes, Bytes()
                                 .u32(2).new_name("class t::Apple")
                                 .u32(3).u32(1)
                                 .u32(4).new_name("class t::Pear")
                                 .u32(2)
                                 .s);
    EXPECT_EQ(legacy_bytes, Bytes()
                                .u32(2).str("class t::Apple")
                                .u32(3).u32(0).u32(1)
                                .u32(4).str("class t::Pear")
                                .u32(2)
                                .s);

    for (bool is_legacy : {false, true}) {
        SCOPED_TRACE(is_legacy);
        std::stringbuf buf(is_legacy ? legacy_bytes : current_bytes);
        Registry2 r2;
        Registry1 r1;
        IStream is(&buf, is_legacy ? static_cast<Registry*>(&r1) : &r2);
        is.flags(0);
        Object* a1 = is.read_object_or_skip();
        Object* a2 = is.read_object_or_skip();
        Object* p = is.read_object_or_skip();
        EXPECT_NE(dynamic_cast<Apple*>(a1), nullptr);
        EXPECT_NE(dynamic_cast<Apple*>(a2), nullptr);
        EXPECT_NE(a1, a2);
        EXPECT_NE(dynamic_cast<Pear*>(p), nullptr);
        EXPECT_EQ(is.read_object_or_skip(), a1);
        EXPECT_TRUE(is.good());
    }
}

TEST(FactoryRegistry, NameLengthsOutsideOneTo4096Fail) {
    struct Case {
        std::uint32_t length;
        bool valid;
    } cases[] = {{0, false}, {1, true}, {4096, true}, {4097, false}, {0xFFFFFFFF, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const std::string name(c.valid ? c.length : 0, 'n');
        std::stringbuf buf(Bytes().u32(0).u32(c.length).raw(name).s);
        IStream is(&buf);
        is.exceptions(0);
        Registry2 registry;
        LogMark mark;
        EXPECT_EQ(registry.read_factory(is, false), nullptr);
        if (c.valid) {
            EXPECT_TRUE(is.good());
            EXPECT_EQ(registry.factory_count(), 1u);  // unknown, but numbered
        } else {
            EXPECT_TRUE(is.fail());
            EXPECT_EQ(registry.factory_count(), 0u);
            const std::string line =
                "[orvek.io] error: Invalid factory name length (" + std::to_string(c.length) + ").";
            EXPECT_NE(mark.text().find(line), std::string::npos) << mark.text();

            std::stringbuf again(buf.str());
            IStream loud(&again);
            Registry2 fresh;
            try {
                fresh.read_factory(loud, false);
                FAIL();
            } catch (const Failure& e) {
                EXPECT_NE(std::string(e.what()).find("Invalid factory name length (" + std::to_string(c.length) +
                                                     ")."),
                          std::string::npos)
                    << e.what();
            }
        }
    }
}

TEST(FactoryRegistry, AnIdPastTheNamesReadSoFarFails) {
    // One name introduced, then id 2, in each encoding.
    const std::string current = Bytes().new_name("class t::Apple").u32(2).s;
    const std::string legacy = Bytes().str("class t::Apple").u32(0).u32(2).s;
    for (bool is_legacy : {false, true}) {
        SCOPED_TRACE(is_legacy);
        std::stringbuf buf(is_legacy ? legacy : current);
        IStream is(&buf);
        is.exceptions(0);
        Registry2 r2;
        Registry1 r1;
        Registry& registry = is_legacy ? static_cast<Registry&>(r1) : r2;
        EXPECT_EQ(registry.read_factory(is, true), &apple_factory);
        LogMark mark;
        EXPECT_EQ(registry.read_factory(is, true), nullptr);
        EXPECT_TRUE(is.fail());
        EXPECT_NE(mark.text().find("[orvek.io] error: Invalid factory id (2) while loading object. There are 1 "
                                   "factories loaded at the time."),
                  std::string::npos)
            << mark.text();
    }
    std::stringbuf buf(Bytes().u32(1).s);
    IStream is(&buf);
    Registry2 registry;
    try {
        registry.read_factory(is, true);
        FAIL();
    } catch (const Failure& e) {
        EXPECT_NE(std::string(e.what()).find(
                      "Invalid factory id (1) while loading object. There are 0 factories loaded at this time."),
                  std::string::npos)
            << e.what();
    }
}

TEST(FactoryRegistry, AMissingFactoryStillTakesItsId) {
    std::stringbuf buf(Bytes().new_name("class t::Missing").new_name("class t::Pear").u32(2).u32(1).s);
    IStream is(&buf);
    Registry2 registry;
    LogMark mark;
    EXPECT_EQ(registry.read_factory(is, true), nullptr);
    EXPECT_EQ(registry.read_factory(is, true), &pear_factory);
    EXPECT_EQ(registry.read_factory(is, true), &pear_factory);
    EXPECT_EQ(registry.read_factory(is, false), nullptr);
    EXPECT_TRUE(is.good());
    EXPECT_NE(mark.text().find("[orvek.io] warning: 'class t::Missing' factory not found."), std::string::npos);
}

TEST(FactoryRegistry, ACallersFactoryStillConsumesTheStoredReference) {
    std::stringbuf buf(Bytes().u32(2).new_name("class t::Unheard").u32(0).u32(3).u32(1).u32(0).s);
    IStream is(&buf);
    LogMark mark;
    Object* first = is.read_object_or_skip(&pear_factory);
    Object* second = is.read_object_or_skip(&pear_factory);
    EXPECT_NE(dynamic_cast<Pear*>(first), nullptr);
    EXPECT_NE(dynamic_cast<Pear*>(second), nullptr);
    EXPECT_TRUE(is.good());
    EXPECT_EQ(mark.text().find("factory not found"), std::string::npos) << mark.text();
}

TEST(FactoryRegistry, AnEmptyTypeNameIsAProgrammingError) {
    for (bool is_legacy : {false, true}) {
        std::stringbuf buf;
        Registry2 r2;
        Registry1 r1;
        OStream os(&buf, is_legacy ? static_cast<Registry*>(&r1) : &r2);
        Apple apple;
        try {
            os.write_object(&apple, "");
            FAIL();
        } catch (const orvek::Exception& e) {
            EXPECT_STREQ(e.what(), "Invalid attempt to store empty factory name.");
        }
    }
}

TEST(FactoryRegistry, ResetStartsKeysAndIdsAfresh) {
    std::stringbuf buf;
    Apple apple;
    OStream os(&buf);
    os.flags(0);
    os.write_object(&apple, "class t::Apple");
    os.reset();
    os.write_object(&apple, "class t::Apple");
    const std::string once = Bytes().u32(2).new_name("class t::Apple").s;
    EXPECT_EQ(buf.str(), once + once);
}
