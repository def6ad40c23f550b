// The mixer heard through the headless device: exact samples for known PCM.
#include "platform/audio/Audio.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

using namespace plat;

std::unique_ptr<SoundBuffer> make16(AudioDevice& d, const std::vector<std::int16_t>& pcm, int channels = 1,
                                    int rate = kMixRate) {
    auto b = SoundBuffer::Create(d, {channels, rate, 16}, static_cast<std::uint32_t>(pcm.size() * 2));
    EXPECT_NE(b, nullptr);
    std::memcpy(b->Lock(), pcm.data(), pcm.size() * 2);
    b->Unlock();
    return b;
}

std::vector<std::int16_t> left(const std::vector<std::int16_t>& st) {
    std::vector<std::int16_t> l;
    for (std::size_t i = 0; i < st.size(); i += 2) l.push_back(st[i]);
    return l;
}
std::vector<std::int16_t> right(const std::vector<std::int16_t>& st) {
    std::vector<std::int16_t> r;
    for (std::size_t i = 1; i < st.size(); i += 2) r.push_back(st[i]);
    return r;
}

struct Case {
    const char* name;
    int volume, pan, frequency;
    std::vector<std::int16_t> l, r;
};

TEST(Mixer, KnownPcmAtVolumePanAndFrequency) {
    const std::vector<std::int16_t> pcm = {1000, -2000, 3000, -4000};
    const std::vector<Case> cases = {
        {"plain", 0, 0, 44100, {1000, -2000, 3000, -4000, 0, 0}, {1000, -2000, 3000, -4000, 0, 0}},
        {"minus 6 dB", -600, 0, 44100, {501, -1002, 1504, -2005, 0, 0}, {501, -1002, 1504, -2005, 0, 0}},
        {"pan right attenuates left", 1000, 1000, 44100, {316, -632, 949, -1265, 0, 0}, {1000, -2000, 3000, -4000, 0, 0}},
        {"pan full left silences right", 0, -10000, 44100, {1000, -2000, 3000, -4000, 0, 0}, {0, 0, 0, 0, 0, 0}},
        {"silence", -10000, 0, 44100, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}},
        {"half rate interpolates", 0, 0, 22050,
         {1000, -500, -2000, 500, 3000, -500, -4000, -4000, 0}, {1000, -500, -2000, 500, 3000, -500, -4000, -4000, 0}},
        {"double rate skips", 0, 0, 88200, {1000, 3000, 0, 0}, {1000, 3000, 0, 0}},
        {"below the lowest frequency clamps to 100", 0, 0, 1, {1000, 993, 986}, {1000, 993, 986}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HeadlessAudioDevice d;
        auto b = make16(d, pcm);
        // Volumes above 0 are full volume.
        b->SetVolume(c.volume);
        b->SetPan(c.pan);
        b->SetFrequency(c.frequency);
        ASSERT_TRUE(b->Play(false));
        const auto out = d.Render(c.l.size());
        EXPECT_EQ(left(out), c.l);
        EXPECT_EQ(right(out), c.r);
    }
}

TEST(Mixer, LoopingVoiceWrapsAndOneShotEnds) {
    HeadlessAudioDevice d;
    auto loop = make16(d, {10, 20, 30});
    loop->Play(true);
    EXPECT_EQ(left(d.Render(7)), (std::vector<std::int16_t>{10, 20, 30, 10, 20, 30, 10}));
    // Interpolation at the seam reads the first frame again.
    loop->SetFrequency(22050);
    loop->SetPosition(2);
    EXPECT_EQ(left(d.Render(3)), (std::vector<std::int16_t>{30, 20, 10}));
    EXPECT_TRUE(loop->IsPlaying());

    auto once = make16(d, {5, 6});
    loop->Stop();
    once->Play(false);
    EXPECT_EQ(left(d.Render(4)), (std::vector<std::int16_t>{5, 6, 0, 0}));
    EXPECT_FALSE(once->IsPlaying());
    // Played again from its start.
    once->Play(false);
    EXPECT_EQ(left(d.Render(1)), (std::vector<std::int16_t>{5}));
}

TEST(Mixer, EightBitAndChannelConversions) {
    HeadlessAudioDevice d;
    auto b8 = SoundBuffer::Create(d, {1, kMixRate, 8}, 4);
    const std::uint8_t bytes[] = {128, 255, 0, 192};
    std::memcpy(b8->Lock(), bytes, 4);
    b8->Unlock();
    b8->Play(false);
    auto out = d.Render(4);
    EXPECT_EQ(left(out), (std::vector<std::int16_t>{0, 32512, -32768, 16384}));
    EXPECT_EQ(right(out), left(out));

    auto st = make16(d, {100, -100, 200, -200}, 2);
    st->Play(false);
    out = d.Render(2);
    EXPECT_EQ(out, (std::vector<std::int16_t>{100, -100, 200, -200}));

    auto st8 = SoundBuffer::Create(d, {2, kMixRate, 8}, 2);
    st8->Lock()[0] = 129;
    st8->Lock()[1] = 127;
    st8->Play(false);
    EXPECT_EQ(d.Render(1), (std::vector<std::int16_t>{256, -256}));
}

TEST(Mixer, SumSaturatesAndMasterGainApplies) {
    HeadlessAudioDevice d;
    auto a = make16(d, {30000, -30000, 1000});
    auto b = a->Duplicate();
    a->Play(false);
    b->Play(false);
    EXPECT_EQ(left(d.Render(3)), (std::vector<std::int16_t>{32767, -32768, 2000}));

    EXPECT_DOUBLE_EQ(d.mixer().MasterGain(), 1.0);
    d.mixer().SetMasterGain(0.5);
    a->Play(false);
    EXPECT_EQ(left(d.Render(3)), (std::vector<std::int16_t>{15000, -15000, 500}));
    d.mixer().SetMasterGain(7.0);
    EXPECT_DOUBLE_EQ(d.mixer().MasterGain(), 1.0);
    d.mixer().SetMasterGain(-1.0);
    EXPECT_DOUBLE_EQ(d.mixer().MasterGain(), 0.0);
}

TEST(Mixer, DuplicatesShareThePcmButNotTheSettings) {
    HeadlessAudioDevice d;
    auto a = make16(d, {100, 200}, 1, 22050);
    a->SetVolume(-10000);
    a->SetFrequency(5000);
    auto b = a->Duplicate();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GetVolume(), 0);
    EXPECT_EQ(b->GetFrequency(), 22050);
    EXPECT_EQ(b->format().rate, 22050);
    // Written through the original after duplication: the copy hears it.
    reinterpret_cast<std::int16_t*>(a->Lock())[0] = 7;
    a->Unlock();
    b->SetFrequency(kMixRate);
    b->Play(false);
    EXPECT_EQ(left(d.Render(2)), (std::vector<std::int16_t>{7, 200}));
    // The original going away leaves the copy's PCM alive.
    a.reset();
    b->Play(false);
    EXPECT_EQ(left(d.Render(1)), (std::vector<std::int16_t>{7}));
}

TEST(Mixer, CreationRefusesBadFormatsAndTooManyVoices) {
    HeadlessAudioDevice d;
    EXPECT_EQ(SoundBuffer::Create(d, {3, 22050, 16}, 6), nullptr);
    EXPECT_EQ(SoundBuffer::Create(d, {1, 22050, 12}, 6), nullptr);
    EXPECT_EQ(SoundBuffer::Create(d, {1, 0, 16}, 6), nullptr);
    EXPECT_EQ(SoundBuffer::Create(d, {1, 22050, 16}, 0), nullptr);
    auto base = make16(d, {1});
    std::vector<std::unique_ptr<SoundBuffer>> copies;
    while (auto c = base->Duplicate()) copies.push_back(std::move(c));
    EXPECT_EQ(d.mixer().voice_count(), kMaxVoices);
    copies.clear();
    EXPECT_EQ(d.mixer().voice_count(), 1u);
    EXPECT_NE(base->Duplicate(), nullptr);
}

// A ramp 0, 1, 2, ... of n frames, handed out in pieces of 700 frames.
class Ramp : public SoundStream {
public:
    Ramp(int n, int rate) : n_(n), rate_(rate) {}
    int channels() const override { return 1; }
    int rate() const override { return rate_; }
    std::size_t Read(std::int16_t* out, std::size_t frames) override {
        std::size_t k = 0;
        while (k < frames && k < 700 && at_ < n_) out[k++] = static_cast<std::int16_t>(at_++);
        return k;
    }
    bool Rewind() override {
        ++rewinds;
        at_ = 0;
        return true;
    }
    int rewinds = 0;

private:
    int n_, rate_, at_ = 0;
};

TEST(Mixer, StreamVoiceInterpolatesAcrossChunksLoopsAndEnds) {
    HeadlessAudioDevice d;
    auto s = SoundBuffer::CreateStream(d, std::make_unique<Ramp>(3000, 22050));
    ASSERT_NE(s, nullptr);
    s->Play(false);
    // Half rate: every frame of the ramp, then the midpoint, across the
    // stream's pieces and the mixer's chunks alike.
    auto out = left(d.Render(5998));
    for (int i = 0; i < 5998; ++i) ASSERT_EQ(out[i], i / 2 + i % 2) << i;  // x.5 rounds away from 0
    EXPECT_TRUE(s->IsPlaying());
    out = left(d.Render(4));
    EXPECT_EQ(out[0], 2999);
    EXPECT_FALSE(s->IsPlaying());

    s->SetFrequency(kMixRate);
    s->Play(true);
    out = left(d.Render(3002));
    EXPECT_EQ(out[2999], 2999);
    EXPECT_EQ(out[3000], 0);
    EXPECT_EQ(out[3001], 1);
    EXPECT_TRUE(s->IsPlaying());
    s->Stop();
    EXPECT_EQ(left(d.Render(1)), (std::vector<std::int16_t>{0}));
    // Stop pauses: play resumes where it was.
    s->Play(true);
    EXPECT_EQ(left(d.Render(1)), (std::vector<std::int16_t>{2}));
    s->SetPosition(0);
    EXPECT_EQ(left(d.Render(1)), (std::vector<std::int16_t>{0}));
}

TEST(Mixer, SdlDummyDriverOpensAndPlaysToTheEnd) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    auto d = OpenAudioDevice();
    ASSERT_NE(d, nullptr);
    auto b = SoundBuffer::Create(*d, {1, 22050, 16}, 2 * 2205);  // 0.1 s
    ASSERT_NE(b, nullptr);
    b->Play(false);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (b->IsPlaying() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(b->IsPlaying());
}

}  // namespace
