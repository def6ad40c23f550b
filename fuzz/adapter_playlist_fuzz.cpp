// Arbitrary bytes as a playlist file (after one byte choosing which tracks
// fail to load and one choosing the order), loaded, started and ticked over
// a music interface whose tracks end at once.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "framework/app/MusicInterface.h"
#include "framework/app/PlatformHost.h"
#include "ostrel/App.h"
#include "ostrel/MusicPlaylist.h"
#include "platform/headless/HeadlessShell.h"
#include "platform/headless/HeadlessWindow.h"
#include "platform/headless/ManualClock.h"
#include "support/FuzzScratch.h"

namespace {

struct Music : Vant::MusicInterface {
    std::vector<std::string>* tracks = nullptr;
    unsigned failing = 0;  // bit i: the tracks at indices i, i + 8, ... fail
    std::size_t loads = 0;
    bool LoadMusic(int, const std::string& name) override {
        ++loads;
        for (std::size_t i = 0; i < tracks->size(); ++i)
            if ((*tracks)[i] == name && !(failing & (1u << (i % 8)))) return true;
        return false;
    }
};

class FuzzApp : public orvek::ostrel::App {
public:
    explicit FuzzApp(Vant::AppHost* host) : App(host) { mOnlyAllowOneCopyToRun = false; }
};

// The file's lines as the playlist is to read them.
std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n') {
            line += text[i];
            if (i + 1 < text.size()) continue;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
        line.clear();
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::ScratchDir scratch("adapter_playlist");
    static plat::headless::ManualClock clock;
    static plat::headless::HeadlessWindow window(clock);
    static plat::headless::HeadlessShell shell;
    static Vant::PlatformHost host(window, shell, clock, scratch.file("registry.txt"));
    static FuzzApp* app = new FuzzApp(&host);
    if (size < 2) return 0;
    const std::string path = scratch.file("playlist.txt");
    if (!fuzzsupport::write_input(path, data + 2, size - 2)) return 0;

    auto* music = new Music;
    app->mMusicInterface.reset(music);
    orvek::ostrel::MusicPlaylist list;
    music->tracks = const_cast<std::vector<std::string>*>(&list.tracks());
    music->failing = data[0];
    list.set_order(data[1] % 3);
    if (!list.load(path)) std::abort();
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    if (list.tracks() != lines_of(text)) std::abort();
    list.start();
    for (int i = 0; i < 50; ++i) list.update();  // nothing ever reports playing
    const std::size_t n = list.tracks().size();
    if (music->loads > 51 * n) std::abort();
    if ((data[0] & 0xFF) == 0xFF && music->loads > n) std::abort();
    app->mMusicInterface.reset();
    return 0;
}
