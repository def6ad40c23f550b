// The object stream format: bytes, primitives, header detection, object
// records, state rules and damaged streams.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

#include "orvek/Exception.h"
#include "orvek/io/FileStream.h"
#include "orvek/io/SharedRefs.h"
#include "orvek/io/Stream.h"
#include "support/LogCapture.h"
#include "support/StreamTestKit.h"

using namespace orvek::io;
using logcapture::LogMark;
using streamkit::Bytes;
using streamkit::Leaf;

namespace {

const bool in_private_dir = logcapture::enter_private_dir();

struct Way : Object {
    std::uint32_t length = 7;
    void save(OStream& os) const override { os << std::uint8_t(3) << length; }
    void load(IStream& is) override {
        std::uint8_t version = 0;
        is >> version >> length;
    }
};

// Reads one byte more than it wrote.
struct Greedy : Object {
    void save(OStream& os) const override { os << std::uint32_t(1); }
    void load(IStream& is) override {
        std::uint32_t v;
        std::uint8_t extra;
        is >> v >> extra;
    }
};

// Reads one byte less than it wrote.
struct Shy : Object {
    void save(OStream& os) const override { os << std::uint32_t(1) << std::uint8_t(2); }
    void load(IStream& is) override {
        std::uint32_t v;
        is >> v;
    }
};

struct Thrower : Object {
    void save(OStream&) const override { throw std::runtime_error("boom"); }
    void load(IStream&) override {}
};

struct Nest : Object {
    orvek::Refs<Nest> child;
    void save(OStream& os) const override { save_refs(os, child); }
    void load(IStream& is) override { load_refs(is, child); }
};

orvek::Factory<Way> way_factory("class t::Way");
orvek::Factory<Greedy> greedy_factory("class t::Greedy");
orvek::Factory<Shy> shy_factory("class t::Shy");
orvek::Factory<Thrower> thrower_factory("class t::Thrower");
orvek::Factory<Nest> nest_factory("class t::Nest");

const bool kit = (streamkit::register_kit(), true);


}  // namespace

TEST(ObjectStreamFormat, TwoCountedHandlesToOneWayGiveTheDocumentedBytes) {
    std::stringbuf out;
    {
        OStream os(&out);
        os.write_header();
        EXPECT_EQ(os.header_size(), 21);
        orvek::Refs<Way> first(new Way);
        orvek::Refs<Way> second(first);
        save_refs(os, first);
        save_refs(os, second);
        EXPECT_EQ(first.use_count(), 2);  // the stored 0 was only for the moment
    }
    const std::string expected = Bytes()
                                     .header(2)
                                     .u32(2).new_name("class t::Way").u32(5).u8(3).u32(7)
                                     .u32(3).new_name("long").u32(4).u32(0)
                                     .u32(2).u32(3)
                                     .s;
    EXPECT_EQ(out.str(), expected);

    std::stringbuf in(expected);
    IStream is(&in);
    is.read_header();
    EXPECT_EQ(is.header_size(), 21);
    orvek::Refs<Way> a, b;
    load_refs(is, a);
    load_refs(is, b);
    ASSERT_TRUE(a);
    EXPECT_EQ(a.get(), b.get());
    EXPECT_EQ(a.counter(), b.counter());
    EXPECT_EQ(a.use_count(), 2);
    EXPECT_EQ(a->length, 7u);
}

TEST(ObjectStreamFormat, PrimitivesRoundTrip) {
    struct P {
        float x, y;
    };
    std::stringbuf buf;
    {
        OStream os(&buf);
        os << std::uint8_t(0xAB) << std::uint32_t(0x01020304) << std::int32_t(-2) << 1.5f;
        os.write_point(P{-3.25f, 1e9f});
        os.write_sized_block(std::string("caf\xE9", 4));
        os.write_sized_block("", 0);
        std::vector<float> floats{0.5f, -1.0f};
        write_counted(os, floats.begin(), floats.end(), 2);
    }
    EXPECT_EQ(buf.str().substr(0, 9), Bytes().u8(0xAB).u32(0x01020304).u32(0xFFFFFFFE).s);

    IStream is(&buf);
    std::uint8_t b = 0;
    std::uint32_t u = 0;
    std::int32_t i = 0;
    float f = 0;
    P p{};
    std::string s1, s2 = "junk";
    std::vector<float> floats;
    is >> b >> u >> i >> f;
    is.read_point(p);
    is.read_string(s1).read_string(s2);
    read_vector(is, floats);
    EXPECT_TRUE(is.good());
    EXPECT_EQ(b, 0xAB);
    EXPECT_EQ(u, 0x01020304u);
    EXPECT_EQ(i, -2);
    EXPECT_EQ(f, 1.5f);
    EXPECT_EQ(p.x, -3.25f);
    EXPECT_EQ(p.y, 1e9f);
    EXPECT_EQ(s1, std::string("caf\xE9", 4));
    EXPECT_EQ(s2, "");
    EXPECT_EQ(floats, (std::vector<float>{0.5f, -1.0f}));
}

TEST(ObjectStreamFormat, RepeatedNullAndUnsharedObjects) {
    std::stringbuf buf;
    Way way;
    {
        OStream os(&buf);
        os.write_object(&way, orvek::type_name_of(&way));
        os.write_object(&way, orvek::type_name_of(&way));  // bare key
        os.write_object(nullptr, "class t::Way");
        os.write_object(&way, "class t::Way", true);  // unshared: key 1, in full, every time
        os.write_object(&way, "class t::Way", true);
    }
    const std::string full_unshared = Bytes().u32(1).u32(1).u32(5).u8(3).u32(7).s;
    EXPECT_EQ(buf.str(), Bytes().u32(2).new_name("class t::Way").u32(5).u8(3).u32(7).u32(2).u32(0).s +
                             full_unshared + full_unshared);

    IStream is(&buf);
    Object* first = is.read_object_or_skip();
    EXPECT_EQ(is.read_object_or_skip(), first);
    EXPECT_EQ(is.read_object_or_skip(), nullptr);
    Object* u1 = is.read_object_or_skip();
    Object* u2 = is.read_object_or_skip();
    ASSERT_NE(u1, nullptr);
    EXPECT_NE(u1, u2);
    EXPECT_NE(u1, first);
    EXPECT_TRUE(is.good());
    // The caller keeps one; the stream deletes the rest with itself.
    ASSERT_TRUE(is.adopt(u1));
    EXPECT_FALSE(is.adopt(u1));
    delete u1;
}

TEST(ObjectStreamFormat, RawDatumRecordsReadBackTheirBytes) {
    std::stringbuf buf;
    const std::uint32_t value = 0xCAFEBABE;
    {
        OStream os(&buf);
        os.write_shared_datum(&value, 4, "long");
        os.write_shared_datum(&value, 4, "long");
        os.write_shared_datum(nullptr, 4, "long");
    }
    EXPECT_EQ(buf.str(), Bytes().u32(2).new_name("long").u32(4).u32(0xCAFEBABE).u32(2).u32(0).s);
    IStream is(&buf);
    void* first = is.read_object(nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(IStream::get_u32(static_cast<unsigned char*>(first)), 0xCAFEBABE);
    EXPECT_EQ(is.read_object(nullptr), first);
    EXPECT_EQ(is.read_object(nullptr), nullptr);
}

TEST(ObjectStreamHeader, ShortOrForeignStartsAreLegacyStreamsReadFromTheirStart) {
    const std::vector<std::string> starts = {
        "",
        "orv",
        "orvek::io::Strean" + Bytes().u32(2).s,  // differs in the last byte
        "orvek::io::Stream\x02\x00",            // flag word cut short
        "xyzw and more",
    };
    for (const std::string& start : starts) {
        SCOPED_TRACE(start);
        std::stringbuf buf(start);
        IStream is(&buf);
        is.read_header();
        EXPECT_TRUE(is.is_legacy());
        EXPECT_TRUE(is.good());
        EXPECT_EQ(is.flags() & Stream::length_prefixed, 0u);
        EXPECT_EQ(is.header_size(), 0);
        if (!start.empty()) {
            std::uint8_t first = 0;
            is >> first;
            EXPECT_EQ(first, static_cast<std::uint8_t>(start[0]));
        }
    }
}

TEST(ObjectStreamHeader, TheReaderTakesOnlyTheLengthFlagFromTheFlagWord) {
    struct Case {
        std::uint32_t stored;
        std::uint32_t flags;
    } cases[] = {{2, Stream::length_prefixed}, {0, 0}, {1, 0}, {6, Stream::length_prefixed}, {4, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        std::stringbuf buf(Bytes().header(c.stored).s);
        IStream is(&buf);
        is.flags(0);
        is.read_header();
        EXPECT_FALSE(is.is_legacy());
        EXPECT_EQ(is.flags(), c.flags);
        EXPECT_EQ(is.header_size(), 21);
    }
}

TEST(ObjectStreamHeader, WriterReaderRoundTripUsesBodyLengths) {
    // Every writer writes body lengths; a reader must consume them.
    std::stringbuf buf;
    {
        OStream os(&buf);
        os.write_header();
        Leaf leaf(5, "five");
        os.write_object(&leaf, orvek::type_name_of(&leaf));
        os << std::uint32_t(0x5EED);
    }
    IStream is(&buf);
    is.read_header();
    ASSERT_NE(is.flags() & Stream::length_prefixed, 0u);
    auto* leaf = dynamic_cast<Leaf*>(is.read_object_or_skip());
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(leaf->value, 5u);
    EXPECT_EQ(leaf->text, "five");
    std::uint32_t tail = 0;
    is >> tail;
    EXPECT_EQ(tail, 0x5EEDu);
}

TEST(ObjectStreamState, FailedStreamsTransferNothing) {
    std::stringbuf buf;
    OStream os(&buf);
    os.exceptions(0);
    os.setstate(Stream::failbit);
    os << std::uint32_t(1);
    os.write_sized_block("abc", 3);
    EXPECT_EQ(buf.str(), "");
    EXPECT_EQ(os.rdstate(), std::uint32_t(Stream::failbit));

    std::stringbuf in(Bytes().u32(7).s);
    IStream is(&in);
    is.exceptions(0);
    is.setstate(Stream::eofbit);
    std::uint32_t v = 0;
    is >> v;
    EXPECT_EQ(v, 0u);
    EXPECT_EQ(is.rdstate(), std::uint32_t(Stream::eofbit | Stream::failbit));

    // Lost alone does not stop transfers.
    std::stringbuf in2(Bytes().u32(7).s);
    IStream lost(&in2);
    lost.exceptions(0);
    lost.setstate(Stream::lostbit);
    lost >> v;
    EXPECT_EQ(v, 7u);
}

TEST(ObjectStreamState, TheMaskDecidesWhetherFailuresRaise) {
    std::stringbuf short_buf(std::string("\x01\x02", 2));
    IStream quiet(&short_buf);
    quiet.exceptions(0);
    std::uint32_t v = 0;
    quiet >> v;
    EXPECT_EQ(quiet.rdstate(), std::uint32_t(Stream::eofbit | Stream::failbit));

    std::stringbuf short_buf2(std::string("\x01\x02", 2));
    IStream loud(&short_buf2);
    EXPECT_EQ(loud.exceptions(), 13u);
    EXPECT_THROW(loud >> v, Failure);

    IStream unbuffered(nullptr);
    EXPECT_EQ(unbuffered.rdstate(), std::uint32_t(Stream::badbit));
    EXPECT_THROW(unbuffered >> v, Failure);

    // Setting a mask that meets the state raises at once.
    IStream failed(nullptr);
    failed.exceptions(0);
    EXPECT_THROW(failed.exceptions(Stream::badbit), Failure);

    // The failure names what the stream knows.
    std::stringbuf empty;
    IStream named(&empty);
    try {
        named >> v;
        FAIL();
    } catch (const Failure& e) {
        EXPECT_NE(std::string(e.what()).find("i/o error ("), std::string::npos) << e.what();
    }
}

TEST(ObjectStreamDamage, HugeCountsFailWithoutHugeAllocations) {
    struct Case {
        std::uint32_t count;
        bool fails;
    } cases[] = {{0xFFFFFFFFu, false}, {0x80000000u, true}, {0x7FFFFFFFu, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        std::stringbuf buf(Bytes().u32(c.count).raw("abc").s);
        IStream is(&buf);
        std::string s = "old";
        if (c.fails) {
            EXPECT_THROW(is.read_string(s), Failure);
        } else {
            is.read_string(s);
            EXPECT_TRUE(is.good());
        }
        EXPECT_EQ(s, "");
    }
    std::stringbuf vec_buf(Bytes().u32(0x40000000u).u32(1).u32(2).s);
    IStream is(&vec_buf);
    is.exceptions(0);
    std::vector<std::uint32_t> v;
    read_vector(is, v);
    EXPECT_TRUE(is.fail());
    EXPECT_EQ(v, (std::vector<std::uint32_t>{1, 2}));

    // A raw datum of 3 GB announced in a 20-byte stream.
    std::stringbuf datum_buf(Bytes().u32(2).new_name("long").u32(0xC0000000u).u32(0).s);
    IStream ds(&datum_buf);
    ds.exceptions(0);
    EXPECT_EQ(ds.read_object(nullptr), nullptr);
    EXPECT_TRUE(ds.fail());
}

TEST(ObjectStreamDamage, BodiesShorterOrLongerThanTheirLengthFail) {
    struct Case {
        const char* name;
        const Object* object;
        const char* line;
    };
    Greedy greedy;
    Shy shy;
    const Case cases[] = {
        {"greedy", &greedy, "[] error: Object: class t::Greedy - loaded more than must"},
        {"shy", &shy, "[] error: Object: class t::Shy - loaded less than must"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::stringbuf buf;
        {
            OStream os(&buf);
            os.write_header();
            os.write_object(c.object, orvek::type_name_of(c.object));
            os << std::uint32_t(0);  // something to over-read
        }
        IStream is(&buf);
        is.read_header();
        is.exceptions(0);
        LogMark mark;
        Object* o = is.read_object_or_skip();
        EXPECT_NE(o, nullptr);
        EXPECT_EQ(is.rdstate() & (Stream::badbit | Stream::failbit), std::uint32_t(Stream::badbit | Stream::failbit));
        EXPECT_NE(mark.text().find(c.line), std::string::npos) << mark.text();

        std::stringbuf again(buf.str());
        IStream loud(&again);
        loud.read_header();
        EXPECT_THROW(loud.read_object_or_skip(), Failure);
    }
}

TEST(ObjectStreamDamage, UnknownTypesAreSkippedByTheirLength) {
    struct Gone : Object {
        void save(OStream& os) const override { os << std::uint32_t(0xDEAD) << std::uint8_t(1); }
        void load(IStream&) override {}
    };
    std::stringbuf buf;
    {
        orvek::Factory<Gone> gone_factory("class t::Gone");
        Gone gone;
        Leaf leaf(9, "nine");
        OStream os(&buf);
        os.write_header();
        os.write_object(&gone, orvek::type_name_of(&gone));
        os.write_object(&leaf, orvek::type_name_of(&leaf));
        os.write_object(&gone, orvek::type_name_of(&gone));
    }
    const std::string bytes = buf.str();

    // With lost in the mask the skip raises.
    {
        std::stringbuf in(bytes);
        IStream is(&in);
        is.read_header();
        EXPECT_THROW(is.read_object_or_skip(), Failure);
    }
    std::stringbuf in(bytes);
    IStream is(&in);
    is.read_header();
    is.exceptions(Stream::badbit | Stream::failbit);
    LogMark mark;
    EXPECT_EQ(is.read_object_or_skip(), nullptr);
    EXPECT_EQ(is.rdstate(), std::uint32_t(Stream::lostbit));
    const std::string log = mark.text();
    EXPECT_NE(log.find("[orvek.io] warning: 'class t::Gone' factory not found."), std::string::npos) << log;
    EXPECT_NE(log.find("[orvek.io] warning: Object skipped."), std::string::npos) << log;
    auto* leaf = dynamic_cast<Leaf*>(is.read_object_or_skip());
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(leaf->text, "nine");
    EXPECT_EQ(is.read_object_or_skip(), nullptr);  // the skipped key again
    EXPECT_TRUE(is.good());
}

TEST(ObjectStreamDamage, KeysNamingARecordOfAnotherKindFail) {
    // Key 2 is a datum, then used as an object.
    {
        std::stringbuf buf(Bytes().u32(2).new_name("long").u32(4).u32(0).u32(2).s);
        IStream is(&buf);
        ASSERT_NE(is.read_object(nullptr), nullptr);
        EXPECT_THROW(is.read_object_or_skip(), Failure);
    }
    // Key 2 is an object, then used as a datum.
    {
        Way way;
        std::stringbuf buf;
        {
            OStream os(&buf);
            os.write_object(&way, orvek::type_name_of(&way));
            os.write_object(&way, orvek::type_name_of(&way));
        }
        IStream is(&buf);
        ASSERT_NE(is.read_object_or_skip(), nullptr);
        EXPECT_THROW(is.read_object(nullptr), Failure);
    }
}

TEST(ObjectStreamDamage, AHandleToAnObjectOfAnotherTypeFails) {
    // A holder whose first handle names the holder itself (key 2).
    const std::string bytes = Bytes()
                                  .header()
                                  .u32(2).new_name(streamkit::holder_name).u32(9).u8(0)
                                  .u32(2).u32(0)
                                  .s;
    std::stringbuf buf(bytes);
    IStream is(&buf);
    is.read_header();
    try {
        is.read_object_or_skip();
        FAIL() << "no failure";
    } catch (const Failure& e) {
        EXPECT_NE(std::string(e.what()).find("not of the expected type"), std::string::npos) << e.what();
    }
}

// A chain of nests by hand, without body lengths: the writer refuses to
// make one too deep, so the reader's limit needs bytes of its own.
std::string nested_bytes(int depth) {
    Bytes b;
    b.header(0);
    for (int i = 0; i < depth; ++i) {
        b.u32(2 + i);
        if (i == 0) b.new_name("class t::Nest");
        else b.u32(1);
    }
    b.u32(0).u32(0);  // the last nest: no child, no counter
    for (int i = 0; i < depth; ++i) {
        b.u32(100000 + i);
        if (i == 0) b.new_name("long");
        else b.u32(2);
        b.u32(4).u32(0);
    }
    return b.s;
}

TEST(ObjectStreamDamage, WriterAndReaderShareTheNestingLimit) {
    for (int depth : {Stream::max_depth, Stream::max_depth + 1, 10000}) {
        SCOPED_TRACE(depth);
        const bool too_deep = depth > Stream::max_depth;
        std::stringbuf written;
        {
            orvek::Refs<Nest> root(new Nest);
            Nest* tail = root.get();
            for (int i = 1; i < depth; ++i) {
                tail->child.reset(new Nest);
                tail = tail->child.get();
            }
            OStream os(&written);
            os.exceptions(0);
            os.write_header();
            LogMark mark;
            save_refs(os, root);
            EXPECT_EQ(os.fail(), too_deep);
            if (too_deep) {
                EXPECT_NE(mark.text().find("[orvek.io] error: Objects nested too deeply."), std::string::npos);
            }
            // Unlink iteratively: a 10000-deep chain would recurse as deep on release.
            while (root && root->child) root = orvek::Refs<Nest>(root->child);
        }
        if (!too_deep) {
            IStream is(&written);
            is.read_header();
            orvek::Refs<Nest> root;
            load_refs(is, root);
            EXPECT_TRUE(is.good());
        }
        if (depth > 1000) continue;
        std::stringbuf hand(nested_bytes(depth));
        IStream is(&hand);
        is.read_header();
        orvek::Refs<Nest> root;
        if (too_deep) {
            try {
                load_refs(is, root);
                FAIL() << "no failure";
            } catch (const Failure& e) {
                EXPECT_NE(std::string(e.what()).find("Objects nested too deeply."), std::string::npos) << e.what();
            }
        } else {
            load_refs(is, root);
            EXPECT_TRUE(is.good());
        }
    }
}

TEST(ObjectStreamDamage, TypeNamesTheReaderRefusesAreNotWritten) {
    Way way;
    for (std::size_t length : {std::size_t(4096), std::size_t(4097)}) {
        SCOPED_TRACE(length);
        std::stringbuf buf;
        OStream os(&buf);
        os.write_header();
        if (length <= 4096) {
            os.write_object(&way, std::string(length, 'n'));
            EXPECT_TRUE(os.good());
            continue;
        }
        try {
            os.write_object(&way, std::string(length, 'n'));
            FAIL() << "no failure";
        } catch (const Failure& e) {
            EXPECT_NE(std::string(e.what()).find("Invalid factory name length (4097)."), std::string::npos) << e.what();
        }
        EXPECT_TRUE(os.fail());
    }
}

TEST(ObjectStreamDamage, AnUnknownBodyReachingPastTheEndFails) {
    // An unknown type's record whose length claims more than the file holds.
    struct Case {
        const char* name;
        std::uint32_t length;
        bool skipped;
    } cases[] = {{"to the end", 5, true}, {"one past", 6, false}, {"far past", 0x7FFFFFFF, false}};
    testsupport::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bytes =
            Bytes().header().u32(2).new_name("class t::Nowhere").u32(c.length).raw("12345").s;
        const std::string path = dir.file("unknown.bin");
        testsupport::write_file(path, bytes);
        IFStream file(path, orvek::open_mode::in, 0);
        std::stringbuf memory(bytes);
        IStream in_memory(&memory);
        in_memory.read_header();
        in_memory.exceptions(0);
        for (IStream* is : {static_cast<IStream*>(&file), &in_memory}) {
            EXPECT_EQ(is->read_object_or_skip(), nullptr);
            if (c.skipped) EXPECT_EQ(is->rdstate(), std::uint32_t(Stream::lostbit));
            else EXPECT_TRUE(is->fail());
        }
    }
}

TEST(ObjectStreamPositions, AWriterThatCannotSeekBackLeavesNoLengthAndSetsLost) {
    streamkit::NoSeekBackBuf buf;
    OStream os(&buf);
    os.exceptions(0);
    os.write_header();
    EXPECT_EQ(os.flags() & Stream::length_prefixed, std::uint32_t(Stream::length_prefixed));
    Way way;
    os.write_object(&way, orvek::type_name_of(&way));
    EXPECT_EQ(os.rdstate(), std::uint32_t(Stream::lostbit));
    const std::string expected =
        Bytes().header(2).u32(2).new_name("class t::Way").u32(0xFFFFFFFF).u8(3).u32(7).s;
    EXPECT_EQ(buf.str(), expected);

    // Such an object cannot be skipped by a reader that lacks its type.
    const std::string unknown = Bytes().header(2).u32(2).new_name("class t::Nobody").u32(0xFFFFFFFF).u8(3).s;
    std::stringbuf in(unknown);
    IStream is(&in);
    is.read_header();
    is.exceptions(0);
    LogMark mark;
    EXPECT_EQ(is.read_object_or_skip(), nullptr);
    EXPECT_TRUE(is.fail());
    EXPECT_NE(mark.text().find("[orvek.io] error: Data length is not available for skipping."), std::string::npos);
}

TEST(ObjectStreamPositions, AWriterWithoutPositionsWritesFlagsZeroAndNoLengths) {
    streamkit::NoPositionBuf buf;
    {
        OStream os(&buf);
        os.write_header();
        EXPECT_EQ(os.flags() & Stream::length_prefixed, 0u);
        EXPECT_TRUE(os.good());
        Leaf leaf(3, "x");
        os.write_object(&leaf, orvek::type_name_of(&leaf));
    }
    const std::string bytes = buf.str();
    EXPECT_EQ(bytes.substr(0, 21), Bytes().header(0).s);
    EXPECT_EQ(bytes.substr(21), Bytes().u32(2).new_name(streamkit::leaf_name).u8(0).u32(3).str("x").s);

    std::stringbuf in(bytes);
    IStream is(&in);
    is.read_header();
    auto* leaf = dynamic_cast<Leaf*>(is.read_object_or_skip());
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(leaf->text, "x");
}

TEST(ObjectStreamState, AThrowingSaveMarksTheStreamBadAndPassesTheException) {
    std::stringbuf buf;
    OStream os(&buf);
    Thrower t;
    EXPECT_THROW(os.write_object(&t, orvek::type_name_of(&t)), std::runtime_error);
    EXPECT_EQ(os.rdstate() & (Stream::badbit | Stream::failbit), std::uint32_t(Stream::badbit | Stream::failbit));
}

TEST(ObjectStreamFormat, LegacyStreamsUseTheLegacyEncoding) {
    // No header, names spelled as length and bytes, known ones as 0 and id,
    // no body lengths.
    const std::string bytes = Bytes()
                                  .u32(2).str(streamkit::leaf_name).u8(0).u32(1).str("a")
                                  .u32(3).u32(0).u32(1).u8(0).u32(2).str("b")
                                  .s;
    std::stringbuf buf(bytes);
    IStream is(&buf);
    is.read_header();
    ASSERT_TRUE(is.is_legacy());
    auto* a = dynamic_cast<Leaf*>(is.read_object_or_skip());
    auto* b = dynamic_cast<Leaf*>(is.read_object_or_skip());
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->text, "a");
    EXPECT_EQ(b->text, "b");
}
