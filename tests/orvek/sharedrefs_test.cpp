// Factories, counted handles and the saving and loading of shared objects.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "orvek/AbstractFactory.h"
#include "orvek/Refs.h"
#include "orvek/io/SharedRefs.h"
#include "support/LogCapture.h"
#include "support/StreamTestKit.h"

using namespace orvek;
using namespace orvek::io;
using streamkit::Bytes;
using streamkit::Holder;
using streamkit::Leaf;
using streamkit::live_leaves;

namespace {

const bool in_private_dir = logcapture::enter_private_dir();
const bool kit = (streamkit::register_kit(), true);

struct Plain : Object {
    void save(OStream&) const override {}
    void load(IStream&) override {}
};

std::string save_handles(const std::vector<Refs<Leaf>>& handles) {
    std::stringbuf buf;
    OStream os(&buf);
    os.write_header();
    for (const auto& h : handles) save_refs(os, h);
    return buf.str();
}

// The bytes of one handle to a new leaf; the leaf is gone again on return.
std::string save_one_leaf(std::uint32_t value, const std::string& text) {
    Refs<Leaf> h(new Leaf(value, text));
    return save_handles({h});
}

// The buffer comes first so that the stream can read its header from it.
struct BytesBuf {
    std::stringbuf buf;
};

// An input stream over saved bytes, past their header.
struct LoadStream : BytesBuf, IStream {
    explicit LoadStream(const std::string& bytes) : BytesBuf{std::stringbuf(bytes)}, IStream(&buf) {
        read_header();
    }
};

}  // namespace

TEST(Factories, NewerRegistrationsHideOlderOnesUntilTheyGo) {
    auto older = std::make_unique<Factory<Plain>>("class t::Stacked");
    EXPECT_EQ(AbstractFactory::find("class t::Stacked"), older.get());
    {
        Factory<Plain> newer("class t::Stacked");
        EXPECT_EQ(AbstractFactory::find("class t::Stacked"), &newer);
        EXPECT_EQ(newer.next(), older.get());
    }
    EXPECT_EQ(AbstractFactory::find("class t::Stacked"), older.get());
    older.reset();
    EXPECT_EQ(AbstractFactory::find("class t::Stacked"), nullptr);
}

TEST(Factories, LongNamespaceNamesFallBackToTheirShortAliases) {
    Factory<Plain> g("class a::g::Image");
    Factory<Plain> win("class win::x::win::Box");
    Factory<Plain> all("class win::g::math::sg::d3d::All");
    EXPECT_EQ(AbstractFactory::find("class a::graphics::Image"), &g);
    EXPECT_EQ(AbstractFactory::find("class windows::x::windows::Box"), &win);
    EXPECT_EQ(AbstractFactory::find("class windows::graphics::mathematics::scene_graph::direct3d::All"), &all);
    EXPECT_EQ(AbstractFactory::find("class a::graphics::Other"), nullptr);
}

TEST(Factories, SavedNamesAreTheRegisteredOnes) {
    Leaf leaf;
    EXPECT_EQ(type_name_of(&leaf), "class streamkit::Leaf");
    Plain unregistered;
    EXPECT_EQ(type_name_of(&unregistered), "");
    EXPECT_EQ(type_name_of(static_cast<const Object*>(nullptr)), "");
}

TEST(Factories, CountersCannotBeCopiedByTheirFactory) {
    std::stringbuf buf;
    IStream is(&buf);
    RefsIoFactory<Leaf> factory(is, nullptr);
    try {
        factory.copy_construct(nullptr, nullptr);
        FAIL();
    } catch (const FactoryExc& e) {
        EXPECT_STREQ(e.what(),
                     "Factory<o::Factory::uninitialized_copy(): The factory does not support this method.> not found");
        EXPECT_EQ(e.code(), 0u);
    }
}

TEST(CountedHandles, ReleasingTheLastUseDeletesTheObject) {
    const int before = live_leaves();
    {
        Refs<Leaf> a(new Leaf);
        Refs<Leaf> b = a;
        EXPECT_EQ(a.use_count(), 2);
        b.reset(a.get());  // same object: nothing happens
        EXPECT_EQ(a.use_count(), 2);
        a.reset();
        EXPECT_EQ(b.use_count(), 1);
        EXPECT_EQ(live_leaves(), before + 1);
    }
    EXPECT_EQ(live_leaves(), before);
}

TEST(SharedReferences, ThreeHandlesShareOneCounterAgainAfterLoading) {
    const int before = live_leaves();
    std::string bytes;
    {
        Refs<Leaf> h(new Leaf(4, "four"));
        bytes = save_handles({h, h, h});
    }
    // The object and its counter are written once.
    EXPECT_EQ(bytes.size(), 21 + (4 + 4 + 4 + 21 + 4 + 13) + (4 + 4 + 4 + 4 + 4 + 4) + 2 * 8);
    {
        LoadStream is(bytes);
        Refs<Leaf> a, b, c;
        load_refs(is, a);
        load_refs(is, b);
        load_refs(is, c);
        ASSERT_TRUE(a);
        EXPECT_EQ(a.get(), c.get());
        EXPECT_EQ(a.counter(), c.counter());
        EXPECT_EQ(a.use_count(), 3);
        EXPECT_EQ(a->text, "four");
    }
    EXPECT_EQ(live_leaves(), before);
}

TEST(SharedReferences, ANullHandleIsTwoZeroKeys) {
    const std::string bytes = save_handles({Refs<Leaf>()});
    EXPECT_EQ(bytes.substr(21), Bytes().u32(0).u32(0).s);
    LoadStream is(bytes);
    Refs<Leaf> h(new Leaf);
    load_refs(is, h);
    EXPECT_FALSE(h);
}

TEST(SharedReferences, SharedPointersLoadIntoOneOwnerGroup) {
    const int before = live_leaves();
    std::string bytes;
    {
        auto leaf = std::make_shared<Leaf>(8, "eight");
        std::stringbuf buf;
        OStream os(&buf);
        os.write_header();
        save_shared(os, leaf);
        save_shared(os, leaf);
        bytes = buf.str();
    }
    EXPECT_EQ(live_leaves(), before);

    std::shared_ptr<Leaf> a, b;
    {
        LoadStream is(bytes);
        load_shared(is, a);
        load_shared(is, b);
        ASSERT_TRUE(a);
        EXPECT_EQ(a.get(), b.get());
        EXPECT_EQ(a->text, "eight");
    }
    // The stream is gone; the pointers keep the object, once.
    EXPECT_EQ(live_leaves(), before + 1);
    a.reset();
    EXPECT_EQ(live_leaves(), before + 1);
    b.reset();
    EXPECT_EQ(live_leaves(), before);
}

TEST(SharedReferences, HandlesAndSharedPointersInsideObjectsShareOneCounter) {
    const int before = live_leaves();
    std::string bytes;
    {
        auto holder = std::make_shared<Holder>();
        holder->a.reset(new Leaf(1, "one"));
        holder->b = holder->a;
        holder->shared = std::make_shared<Leaf>(2, "two");
        std::stringbuf buf;
        OStream os(&buf);
        os.write_header();
        save_shared(os, holder);
        bytes = buf.str();
    }
    std::weak_ptr<Holder> weak;
    std::shared_ptr<Leaf> second;
    {
        LoadStream is(bytes);
        load_weak(is, weak);
        auto holder = weak.lock();
        ASSERT_TRUE(holder);
        EXPECT_EQ(holder->a.get(), holder->b.get());
        EXPECT_EQ(holder->a.use_count(), 2);
        EXPECT_EQ(holder->b->text, "one");
        ASSERT_TRUE(holder->shared);
        second = holder->shared;
    }
    // The weak pointer's object lived as long as the stream.
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(second->text, "two");
    EXPECT_EQ(live_leaves(), before + 1);
    second.reset();
    EXPECT_EQ(live_leaves(), before);
}

TEST(SharedReferences, AStoredCountIsIgnored) {
    // Whatever count a file holds, the loaded handles alone decide.
    const int before = live_leaves();
    const std::string bytes = save_one_leaf(1, "x");
    for (std::uint32_t stored : {5u, 0xFFFFFFFFu}) {
        std::string damaged = bytes;
        damaged.replace(damaged.size() - 4, 4, Bytes().u32(stored).s);
        LoadStream is(damaged);
        Refs<Leaf> h;
        load_refs(is, h);
        ASSERT_TRUE(h);
        EXPECT_EQ(h.use_count(), 1);
    }
    EXPECT_EQ(live_leaves(), before);
}

TEST(SharedReferences, ACounterPairedWithAnotherObjectFails) {
    // Leaf A with counter 3, then leaf B (key 4) claiming counter 3.
    const std::string leaf = streamkit::leaf_name;
    const std::string bytes = Bytes()
                                  .header()
                                  .u32(2).new_name(leaf).u32(9).u8(0).u32(1).str("")
                                  .u32(3).new_name("long").u32(4).u32(0)
                                  .u32(4).u32(1).u32(9).u8(0).u32(2).str("")
                                  .u32(3)
                                  .s;
    const int before = live_leaves();
    {
        LoadStream is(bytes);
        Refs<Leaf> a, b;
        load_refs(is, a);
        try {
            load_refs(is, b);
            FAIL();
        } catch (const Failure& e) {
            EXPECT_NE(std::string(e.what()).find("Reference counter does not belong to its object."),
                      std::string::npos)
                << e.what();
        }
        EXPECT_FALSE(b);
        EXPECT_EQ(a->value, 1u);
    }
    EXPECT_EQ(live_leaves(), before);
}

TEST(SharedReferences, AnObjectGetsNoSecondCounter) {
    // Leaf A with counter 3, then A again with a new counter 4.
    const std::string bytes = Bytes()
                                  .header()
                                  .u32(2).new_name(streamkit::leaf_name).u32(9).u8(0).u32(1).str("")
                                  .u32(3).new_name("long").u32(4).u32(0)
                                  .u32(2)
                                  .u32(4).u32(2).u32(4).u32(0)
                                  .s;
    const int before = live_leaves();
    {
        LoadStream is(bytes);
        Refs<Leaf> a, b;
        load_refs(is, a);
        EXPECT_THROW(load_refs(is, b), Failure);
        EXPECT_FALSE(b);
    }
    EXPECT_EQ(live_leaves(), before);
}

TEST(SharedReferences, ObjectsNoOwnerTookDieWithTheStream) {
    const int before = live_leaves();
    std::string bytes = save_one_leaf(3, "three");
    // Cut inside the counter record: the object was made, no handle took it.
    bytes.resize(bytes.size() - 2);
    {
        LoadStream is(bytes);
        Refs<Leaf> h;
        EXPECT_THROW(load_refs(is, h), Failure);
        EXPECT_FALSE(h);
        EXPECT_EQ(live_leaves(), before + 1);
    }
    EXPECT_EQ(live_leaves(), before);
}

namespace {
// Saves two handles but loads both into one, dropping the first object
// while the stream is still being read.
struct Forgetful : Object {
    Refs<Leaf> a, b;
    void save(OStream& os) const override {
        save_refs(os, a);
        save_refs(os, b);
    }
    void load(IStream& is) override {
        load_refs(is, a);
        load_refs(is, a);
    }
};
Factory<Forgetful> forgetful_factory("class t::Forgetful");
}  // namespace

TEST(SharedReferences, AKeyOfAnObjectThatWasDroppedMeanwhileFails) {
    const int before = live_leaves();
    std::string bytes;
    {
        Refs<Forgetful> f(new Forgetful);
        f->a.reset(new Leaf(1, "dropped"));
        f->b.reset(new Leaf(2, "kept"));
        Refs<Leaf> first = f->a;
        std::stringbuf buf;
        OStream os(&buf);
        os.write_header();
        save_refs(os, f);
        save_refs(os, first);
        bytes = buf.str();
    }
    {
        LoadStream is(bytes);
        Refs<Forgetful> f;
        load_refs(is, f);
        ASSERT_TRUE(f);
        EXPECT_EQ(f->a->text, "kept");
        Refs<Leaf> first;
        try {
            load_refs(is, first);
            FAIL();
        } catch (const Failure& e) {
            EXPECT_NE(std::string(e.what()).find("no longer exists"), std::string::npos) << e.what();
        }
        EXPECT_FALSE(first);
    }
    EXPECT_EQ(live_leaves(), before);
}

TEST(SharedReferences, ACounterRecordOfAnotherSizeFails) {
    // An 8-byte "counter" would write past the 4-byte count.
    const std::string bytes = Bytes()
                                  .header()
                                  .u32(2).new_name(streamkit::leaf_name).u32(9).u8(0).u32(1).str("")
                                  .u32(3).new_name("long").u32(8).u32(0).u32(0)
                                  .s;
    const int before = live_leaves();
    {
        LoadStream is(bytes);
        Refs<Leaf> h;
        try {
            load_refs(is, h);
            FAIL();
        } catch (const Failure& e) {
            EXPECT_NE(std::string(e.what()).find("Invalid data size (8)."), std::string::npos) << e.what();
        }
        EXPECT_FALSE(h);
    }
    EXPECT_EQ(live_leaves(), before);
}
