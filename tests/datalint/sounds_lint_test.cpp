// The sound part of the data lint: every sound the game names and every
// playlist track is an Ogg Vorbis file that Tremor decodes, found the way
// the game finds it, and the tree holds nothing that would mask a fault.
#include <gtest/gtest.h>

#include <tremor/ivorbisfile.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "orvek/File.h"
#include "support/DataTree.h"

namespace fs = std::filesystem;
using datalint::Config;
using datalint::DataTree;

namespace {

struct Decoded {
    bool ok = false;
    int channels = 0;
    long rate = 0;
    long long samples = 0;
};

Decoded decode(const std::string& path) {
    Decoded d;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return d;
    OggVorbis_File vf;
    if (ov_open(f, &vf, nullptr, 0) != 0) {
        std::fclose(f);
        return d;
    }
    const vorbis_info* info = ov_info(&vf, -1);
    d.channels = info->channels;
    d.rate = info->rate;
    char buf[8192];
    int section = 0;
    long n;
    long long bytes = 0;
    while ((n = ov_read(&vf, buf, sizeof buf, &section)) > 0) bytes += n;
    d.ok = n == 0;
    d.samples = bytes / (2 * std::max(1, d.channels));
    ov_clear(&vf);  // closes the file
    return d;
}

// The sounds the skin names: game sounds, the four button states and the
// options screen's measuring sound.
const char* const kSounds[] = {
    "game/sequence_roll", "game/shoot", "game/ball_consuming", "game/catch_bonus",
    "game/sequence_roll_in_complete", "game/lightning", "game/lightning_intensive", "game/intensify",
    "game/ballfree_hit", "game/bomb", "game/bomb_intensive", "game/sequences_connection",
    "game/complete_effect", "game/complete_effect_start", "game/aiming_hit", "game/aiming_hit_intensive",
    "game/medal_start_fly", "game/medal_arrive",
    "ui/button_selected", "ui/button_deselected", "ui/button_activated", "ui/button_deactivated",
    "ui/volume_test",
};

class SoundsLint : public ::testing::TestWithParam<Config> {};

// As the game plays a sound: data path, backslashes, then the probing of
// ".wav" before ".ogg", all through the case-blind resolver.
TEST_P(SoundsLint, EveryNamedSoundDecodes) {
    DataTree tree(GetParam());
    for (const char* name : kSounds) {
        std::string game_path = tree.data_path() + "sounds/" + name;
        std::replace(game_path.begin(), game_path.end(), '/', '\\');
        EXPECT_FALSE(orvek::file_exists(orvek::resolve_path(game_path + ".wav"))) << name;
        const std::string ogg = orvek::resolve_path(game_path + ".ogg");
        const Decoded d = decode(ogg);
        EXPECT_TRUE(d.ok) << name << " (" << ogg << ") does not decode";
        EXPECT_GT(d.samples, 0) << name;
        EXPECT_EQ(d.channels, 1) << name;
        EXPECT_EQ(d.rate, 44100) << name;
    }
}

TEST_P(SoundsLint, EveryPlaylistLineIsATrackThatDecodes) {
    DataTree tree(GetParam());
    const std::string list = orvek::resolve_path(tree.playlist());
    ASSERT_TRUE(fs::exists(list)) << tree.playlist();
    const std::string text = testsupport::read_file(list);
    EXPECT_EQ(text.find('\r'), std::string::npos) << "CR in the playlist";
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    std::size_t start = 0;
    int tracks = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        ASSERT_FALSE(line.empty()) << "blank line in the playlist";
        const Decoded d = decode(orvek::resolve_path(line));
        EXPECT_TRUE(d.ok && d.samples > 44100) << line;
        EXPECT_EQ(d.channels, 2) << line;
        ++tracks;
    }
    EXPECT_EQ(tracks, 2);
}

INSTANTIATE_TEST_SUITE_P(Configs, SoundsLint, ::testing::Values(Config::shipped, Config::defaults),
                         [](const auto& info) { return std::string(info.param == Config::shipped ? "Shipped" : "Defaults"); });

// A runtime-written silent WAV would hide a missing sound; two names that
// differ only in case could not live on a case-blind file system.
TEST(TreeLint, NoWavAndNoNamesThatDifferOnlyInCase) {
    std::map<std::string, std::string> seen;
    int files = 0;
    for (const auto& e : fs::recursive_directory_iterator(datalint::built_data())) {
        const std::string rel = fs::relative(e.path(), datalint::built_data()).generic_string();
        std::string folded = rel;
        for (char& c : folded) c = char(std::tolower(static_cast<unsigned char>(c)));
        const auto [it, fresh] = seen.emplace(folded, rel);
        EXPECT_TRUE(fresh) << rel << " and " << it->second << " differ only in case";
        if (e.is_regular_file()) {
            ++files;
            std::string ext = e.path().extension().string();
            for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_NE(ext, ".wav") << rel;
        }
    }
    EXPECT_GT(files, 40);
}

// The silent stand-in that playing a missing sound writes (50 bytes: RIFF,
// a PCM format, 4 bytes of silence) must never ship, whatever its name: in
// the data sources or in the built tree it would hide a missing sound.
TEST(TreeLint, NoSilentStandInSounds) {
    auto stand_in = [](const fs::path& file) {
        std::error_code ec;
        if (fs::file_size(file, ec) != 50 || ec) return false;
        const std::string b = testsupport::read_file(file.string());
        return b.compare(0, 4, "RIFF") == 0 && b.compare(8, 4, "WAVE") == 0 && b.compare(38, 4, "data") == 0;
    };
    int files = 0;
    for (const fs::path& root : {fs::path(ZELKOR_SOURCE_DIR) / "data", datalint::built_data()})
        for (const auto& e : fs::recursive_directory_iterator(root)) {
            if (!e.is_regular_file()) continue;
            ++files;
            EXPECT_FALSE(stand_in(e.path())) << e.path() << " is a silent stand-in sound";
        }
    EXPECT_GT(files, 40);
}

}  // namespace
