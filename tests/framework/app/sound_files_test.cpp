// The readers of sound files: WAV (with the cached copies' "dep " chunk),
// AU and Ogg Vorbis, each fed files made here.
#include "framework/app/SoundFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "support/TestSupport.h"

namespace {

using plat::PcmData;

std::string le32(std::uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i));
    return s;
}
std::string le16(std::uint16_t v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8)}; }
std::string be32(std::uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (24 - 8 * i));
    return s;
}
std::string chunk(const std::string& id, const std::string& body) { return id + le32(body.size()) + body; }
std::string fmt(int channels, int rate, int bits, int tag = 1) {
    const int align = channels * bits / 8;
    return chunk("fmt ", le16(tag) + le16(channels) + le32(rate) + le32(rate * align) + le16(align) + le16(bits));
}
std::string riff(const std::string& chunks) { return "RIFF" + le32(4 + chunks.size()) + "WAVE" + chunks; }

struct WavCase {
    const char* name;
    std::string file;
    bool ok;
    plat::SoundFormat format;
    std::string data;
};

TEST(SoundFiles, WavChunksTable) {
    const std::string pcm = "\x01\x02\x03\x04";
    const std::vector<WavCase> cases = {
        {"without fmt: 16-bit mono 22050", riff(chunk("data", pcm)), true, {1, 22050, 16}, pcm},
        {"fmt read", riff(fmt(2, 11025, 8) + chunk("data", pcm)), true, {2, 11025, 8}, pcm},
        // An odd chunk is followed at once by the next, with no pad byte.
        {"odd chunk not padded", riff(chunk("junk", "abc") + chunk("data", pcm)), true, {1, 22050, 16}, pcm},
        {"odd chunk then fmt", riff(chunk("LIST", "x") + fmt(1, 8000, 16) + chunk("data", pcm)), true, {1, 8000, 16}, pcm},
        {"extra bytes after data ignored", riff(chunk("data", pcm) + "tail"), true, {1, 22050, 16}, pcm},
        {"data truncated", riff("data" + le32(5) + pcm), false, {}, {}},
        {"data size beyond 4 GB claim", riff("data" + le32(0xFFFFFFF0u) + pcm), false, {}, {}},
        {"no data chunk", riff(fmt(1, 8000, 16)), false, {}, {}},
        {"chunk past the end", riff(chunk("junk", "abc") + "dat"), false, {}, {}},
        {"not PCM", riff(fmt(1, 8000, 16, 3) + chunk("data", pcm)), false, {}, {}},
        {"unusable bits", riff(fmt(1, 8000, 12) + chunk("data", pcm)), false, {}, {}},
        {"not RIFF", "RIFX" + riff(chunk("data", pcm)).substr(4), false, {}, {}},
        {"empty", "", false, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PcmData out;
        std::string why;
        const bool ok = plat::ParseWav(reinterpret_cast<const std::uint8_t*>(c.file.data()), c.file.size(), out, {}, &why);
        ASSERT_EQ(ok, c.ok) << why;
        if (!ok) {
            EXPECT_FALSE(why.empty());
            continue;
        }
        EXPECT_EQ(out.format.channels, c.format.channels);
        EXPECT_EQ(out.format.rate, c.format.rate);
        EXPECT_EQ(out.format.bits, c.format.bits);
        EXPECT_EQ(std::string(out.bytes.begin(), out.bytes.end()), c.data);
    }
}

TEST(SoundFiles, DepChunkNamesItsSourceAndTime) {
    testsupport::TempDir dir;
    const std::string src = dir.file("boom.ogg");
    testsupport::write_file(src, "x");
    const std::uint64_t t = Vant::GetSoundFileTime(src);
    ASSERT_NE(t, 0u);
    // 100 ns ticks since 1601: any file made today is past 2020.
    EXPECT_GT(t, 132223104000000000ull);
    const auto dep = [&](std::uint64_t time) {
        return chunk("dep ", le16(src.size()) + src + le32(static_cast<std::uint32_t>(time)) +
                                 le32(static_cast<std::uint32_t>(time >> 32)));
    };
    const std::string pcm = "\x10\x00";
    struct Case {
        const char* name;
        std::uint64_t time;
        bool ok;
    } cases[] = {{"current", t, true}, {"low half differs", t + 1, false}, {"high half differs", t + (1ull << 32), false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = dir.file("copy.wav");
        testsupport::write_file(file, riff(fmt(1, 8000, 16) + dep(c.time) + chunk("data", pcm)));
        PcmData out;
        EXPECT_EQ(Vant::ReadSoundWav(file, out), c.ok);
    }
    // A source that is gone reads as time 0, which no copy carries.
    std::filesystem::remove(src);
    EXPECT_EQ(Vant::GetSoundFileTime(src), 0u);
    PcmData out;
    testsupport::write_file(dir.file("copy.wav"), riff(dep(t) + chunk("data", pcm)));
    EXPECT_FALSE(Vant::ReadSoundWav(dir.file("copy.wav"), out));
}

std::string au(std::uint32_t offset, std::uint32_t size, std::uint32_t encoding, std::uint32_t rate,
               std::uint32_t channels, const std::string& data, const std::string& pad = "") {
    return ".snd" + be32(offset) + be32(size) + be32(encoding) + be32(rate) + be32(channels) + pad + data;
}

std::vector<int> samples16(const PcmData& p) {
    std::vector<int> v;
    for (std::size_t i = 0; i + 1 < p.bytes.size(); i += 2)
        v.push_back(static_cast<std::int16_t>(p.bytes[i] | (p.bytes[i + 1] << 8)));
    return v;
}

TEST(SoundFiles, AuMuLawAndLinearBecomeTheRightSamples) {
    PcmData out;
    const std::string mu = au(24, 6, 1, 8000, 1, std::string("\x00\x7F\x80\xFF\x01\xF0", 6));
    ASSERT_TRUE(Vant::ParseAU(reinterpret_cast<const std::uint8_t*>(mu.data()), mu.size(), out));
    EXPECT_EQ(out.format.bits, 16);
    EXPECT_EQ(out.format.rate, 8000);
    // Full scale at 0x00 and 0x80 (continuing the top segment), silence at
    // 0x7F and 0xFF; 0x01 is one step below full scale; 0xF0 small positive.
    EXPECT_EQ(samples16(out), (std::vector<int>{-31616, 0, 31616, 0, -30592, 120}));

    // 8-bit linear is signed in the file and unsigned in our buffers.
    const std::string lin = au(28, 4, 2, 11025, 2, std::string("\x00\x7F\x80\xFF", 4), "note");
    ASSERT_TRUE(Vant::ParseAU(reinterpret_cast<const std::uint8_t*>(lin.data()), lin.size(), out));
    EXPECT_EQ(out.format.bits, 8);
    EXPECT_EQ(out.format.channels, 2);
    EXPECT_EQ(out.bytes, (std::vector<std::uint8_t>{0x80, 0xFF, 0x00, 0x7F}));
}

TEST(SoundFiles, AuSizesAreCheckedAgainstTheFile) {
    const std::string data(10, '\x80');
    struct Case {
        const char* name;
        std::string file;
        bool ok;
        std::size_t bytes;
    } cases[] = {
        {"exact", au(24, 10, 2, 8000, 1, data), true, 10},
        {"unknown size takes the rest", au(24, 0xFFFFFFFFu, 2, 8000, 1, data), true, 10},
        {"shorter size", au(24, 4, 2, 8000, 1, data), true, 4},
        {"size beyond the file", au(24, 11, 2, 8000, 1, data), false, 0},
        {"huge size", au(24, 0xFFFFFFF0u, 1, 8000, 1, data), false, 0},
        {"offset beyond the file", au(100, 1, 2, 8000, 1, data), false, 0},
        {"offset inside the header", au(8, 1, 2, 8000, 1, data), false, 0},
        {"encoding 3", au(24, 10, 3, 8000, 1, data), false, 0},
        {"no channels", au(24, 10, 2, 8000, 0, data), false, 0},
        {"rate 0", au(24, 10, 2, 0, 1, data), false, 0},
        {"wrong magic", "snd." + au(24, 10, 2, 8000, 1, data).substr(4), false, 0},
        {"short header", std::string(".snd\0\0\0\x18", 8), false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PcmData out;
        std::string why;
        ASSERT_EQ(Vant::ParseAU(reinterpret_cast<const std::uint8_t*>(c.file.data()), c.file.size(), out, &why), c.ok);
        if (c.ok) {
            EXPECT_EQ(out.bytes.size(), c.bytes);
        } else {
            EXPECT_FALSE(why.empty());
        }
    }
}

const std::string kTone = std::string(ZELKOR_TEST_DATA_DIR) + "/sound/tone440.ogg";

TEST(SoundFiles, OggToneDecodesToItsLengthAndPitch) {
    PcmData out;
    std::string why;
    ASSERT_TRUE(plat::ReadOgg(kTone, out, &why)) << why;
    EXPECT_EQ(out.format.channels, 1);
    EXPECT_EQ(out.format.rate, 22050);
    EXPECT_EQ(out.format.bits, 16);
    const auto s = samples16(out);
    ASSERT_EQ(s.size(), 11025u);  // half a second
    // 440 Hz: 220 periods, two rising-or-falling zero crossings each.
    int crossings = 0;
    double energy = 0;
    for (std::size_t i = 1; i < s.size(); ++i) {
        if ((s[i - 1] < 0) != (s[i] < 0)) ++crossings;
        energy += double(s[i]) * s[i];
    }
    EXPECT_NEAR(crossings, 440, 4);
    EXPECT_NEAR(std::sqrt(energy / s.size()), 16384 / std::sqrt(2.0), 800);

    // Cut short, it holds what its last whole page claims, or nothing.
    const std::string bytes = testsupport::read_file(kTone);
    testsupport::TempDir dir;
    testsupport::write_file(dir.file("cut.ogg"), bytes.substr(0, bytes.size() / 2));
    if (plat::ReadOgg(dir.file("cut.ogg"), out, &why)) {
        EXPECT_LT(out.bytes.size(), 11025u * 2);
    }
    for (std::size_t cut : {std::size_t(100), std::size_t(0)}) {
        SCOPED_TRACE(cut);
        testsupport::write_file(dir.file("cut.ogg"), bytes.substr(0, cut));
        EXPECT_FALSE(plat::ReadOgg(dir.file("cut.ogg"), out, &why));
    }
    EXPECT_FALSE(plat::ReadOgg(dir.file("missing.ogg"), out, &why));
}

}  // namespace
