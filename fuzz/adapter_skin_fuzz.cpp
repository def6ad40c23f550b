// Arbitrary bytes split at "\n%%\n" into a skin file, a language file, a
// resource manifest, an image file ("img.png" in the scratch folder) and an
// event script; the skin is made over a resource manager that reads the
// manifest, then every reader of the skin runs over every key that came
// out, the image and font look-ups included. Then, on an application whose
// current folder is the scratch folder, the buttons and widget bridges of
// the nodes under "menu/f/" are built from the skin (the resource manager's
// exception alone is caught) and the script is played on them; their state
// sounds go through play_sound, whose stand-in files stay in that folder.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>
#include <unistd.h>

#include "framework/app/DSoundManager.h"
#include "framework/app/PlatformHost.h"
#include "framework/app/WidgetManager.h"
#include "orvek/Exception.h"
#include "orvek/File.h"
#include "orvek/Names.h"
#include "orvek/config/ConfigRegistry.h"
#include "ostrel/App.h"
#include "ostrel/ResourceManager.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/Skin.h"
#include "ostrel/gui/WidgetBridges.h"
#include "platform/headless/HeadlessShell.h"
#include "platform/headless/HeadlessWindow.h"
#include "platform/headless/ManualClock.h"

#include "fuzz/support/FuzzScratch.h"
#include "fuzz/support/SkinReaders.h"

namespace {

using orvek::ostrel::Skin;

class FuzzApp : public orvek::ostrel::App {
public:
    FuzzApp(Vant::AppHost* host, std::string program) : App(host), program_(std::move(program)) {
        mOnlyAllowOneCopyToRun = false;
    }
    bool ChangeDirHook(const std::string&) override { return true; }
    Vant::SoundManager* CreateSoundManager() override {
        return new Vant::DSoundManager(static_cast<plat::AudioDevice*>(nullptr), false);
    }
    Vant::MusicInterface* CreateMusicInterface() override { return new Vant::MusicInterface(); }

protected:
    std::string program_file() const override { return program_; }

private:
    std::string program_;
};

// Finds a sound only when its ".wav" exists, so a missing one gets its
// stand-in file written by play_sound.
struct FuzzSounds : Vant::SoundManager {
    struct Instance : Vant::SoundInstance {
        void Release() override {}
        void SetBaseVolume(double) override {}
        void SetBasePan(int) override {}
        void AdjustPitch(double) override {}
        void SetVolume(double) override {}
        void SetPan(int) override {}
        bool Play(bool, bool) override { return true; }
        void Stop() override {}
        bool IsPlaying() override { return false; }
        bool IsReleased() override { return false; }
        double GetVolume() override { return 1.0; }
    } instance;
    bool Initialized() override { return true; }
    int LoadSound(const std::string& path) override {
        return orvek::file_exists(orvek::resolve_path(path + ".wav")) ? 0 : -1;
    }
    bool LoadSound(unsigned, const std::string&) override { return true; }
    void ReleaseSound(unsigned) override {}
    void SetVolume(double) override {}
    bool SetBaseVolume(unsigned, double) override { return true; }
    bool SetBasePan(unsigned, int) override { return true; }
    Vant::SoundInstance* GetSoundInstance(unsigned) override { return &instance; }
    void ReleaseSounds() override {}
    void ReleaseChannels() override {}
    double GetMasterVolume() override { return 1.0; }
    void SetMasterVolume(double) override {}
    void SetCooperativeWindow(void*, bool) override {}
    void StopAllSounds() override {}
};

template <class T, class... A>
std::unique_ptr<T> build(A&&... args) {
    try {
        return std::make_unique<T>(std::forward<A>(args)...);
    } catch (const Vant::ResourceManagerException&) {
        return nullptr;
    }
}

// The buttons and bridges of "menu/f/..." on an application over the skin
// of the three files, driven by the script.
void drive_widgets(const fuzzsupport::ScratchDir& scratch, const std::string& manifest, const std::string& skin_file,
                   const std::string& lang_file, const std::string& script) {
    using namespace orvek::ostrel;
    orvek::ostrel::ConfigRegistry::instance().elements().clear();
    plat::headless::ManualClock clock;
    plat::headless::HeadlessWindow window(clock);
    plat::headless::HeadlessShell shell;
    Vant::PlatformHost host(window, shell, clock, scratch.file("registry.txt"));
    auto app = std::make_unique<FuzzApp>(&host, scratch.file("bin/fuzz"));
    app->init();
    app->mSoundManager.reset(new FuzzSounds);
    Skin::set_resources_file(manifest);
    Skin::set_skin_file(skin_file.c_str());
    Skin::set_language_file(lang_file.c_str());
    Skin::create(dynamic_cast<ResourceManager*>(app->resource_manager()));
    try {
        Skin::instance()->load_resources("Common");
    } catch (const orvek::Exception&) {
    }
    {
        Vant::WidgetManager& wm = *app->mWidgetManager;
        Control root;
        root.set_size({800, 600});
        auto push = build<ImagePushButton>(root, "menu/f/push");
        auto text = build<ImageTextPushButton>(root, "menu/f/text");
        auto check = build<ImageCheckButton>(root, "menu/f/check");
        auto edit = build<EditBox>(&wm, "menu/f/edit");
        auto list = build<ListBox>(&wm, "menu/f/list");
        auto slider = build<Slidebar>(&wm, "menu/f/slider");
        std::vector<Control*> buttons;
        for (Control* c : std::initializer_list<Control*>{push.get(), text.get(), check.get()})
            if (c) buttons.push_back(c);
        if (list) {
            const int line = std::max(1, list->LineHeight());
            const int lines = std::min(300, std::max(0, list->mHeight) / line + 2);
            for (int i = 0; i < lines; ++i) list->add_line("line");
        }
        if (edit) edit->set_focus();
        Input input;
        std::size_t at = 0;
        auto byte = [&]() -> int { return at < script.size() ? static_cast<unsigned char>(script[at++]) : 0; };
        auto offer = [&](auto&& e) {
            events::Event& ev = e;
            for (Control* c : buttons)
                if (c->accepts(ev) && c->handle(ev) && !ev.handled_by()) ev.set_handled_by(c);
        };
        for (int ops = 0; at < script.size() && ops < 200; ++ops) {
            const int op = byte();
            switch (op % 9) {
            case 0: {
                const Point was{input.x, input.y};
                input.x = byte() * 4 - 64;
                input.y = byte() * 4 - 64;
                offer(PositionEvent(input, {input.x - was.x, input.y - was.y}));
                wm.OnMouseMove(input.x, input.y);
                break;
            }
            case 1:
                offer(SelectPressEvent(input));
                wm.OnMouseDown(input.x, input.y, 1 + op / 9 % 2);
                break;
            case 2:
                offer(SelectReleaseEvent(input));
                wm.OnMouseUp(input.x, input.y, 1);
                break;
            case 3:
                wm.OnKeyChar(static_cast<char>(byte()));
                break;
            case 4:
                wm.OnKeyDown(byte());
                break;
            case 5:
                if (list) list->clear();
                break;
            case 6:
                if (list) list->add_line(std::string(static_cast<std::size_t>(byte() % 8), 'x'));
                break;
            case 7:
                if (slider) slider->set_percent(byte() - 64);
                if (check) check->set_checked(op & 16);
                break;
            default:
                wm.UpdateFrame();
                if (op & 32) app->FreeDialogsAndWidgets();
                break;
            }
        }
        slider.reset();
        list.reset();
        edit.reset();
    }
    Skin::destroy();
    app.reset();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzzsupport::ScratchDir scratch("skin");
    static const std::string skin_path = scratch.file("skin.xml"), lang_path = scratch.file("en.xml"),
                             manifest_path = scratch.file("resources.xml");
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string parts[5];
    std::size_t from = 0;
    for (int i = 0; i < 5; ++i) {
        const std::size_t at = i < 4 ? input.find("\n%%\n", from) : std::string::npos;
        parts[i] = input.substr(from, at == std::string::npos ? std::string::npos : at - from);
        if (at == std::string::npos) break;
        from = at + 4;
    }
    const std::string* paths[3] = {&skin_path, &lang_path, &manifest_path};
    for (int i = 0; i < 3; ++i)
        if (!fuzzsupport::write_input(*paths[i], reinterpret_cast<const uint8_t*>(parts[i].data()), parts[i].size()))
            return 0;

    Skin::set_resources_file(manifest_path);
    orvek::ostrel::ResourceManager resources(nullptr);
    Skin skin(&resources, skin_path, "en", lang_path);
    fuzzsupport::check_skin_readers(skin, resources);

    if (!fuzzsupport::write_input(scratch.file("img.png"), reinterpret_cast<const uint8_t*>(parts[3].data()),
                                  parts[3].size()))
        return 0;
    // Relative names (the manifest's images, stand-in sounds) resolve in the
    // scratch folder while the widgets run; the fuzzer's own files, written
    // between runs, go where it was started.
    std::error_code ec;
    const std::filesystem::path started = std::filesystem::current_path(ec);
    if (ec) return 0;
    std::filesystem::current_path(scratch.dir(), ec);
    if (ec) return 0;
    drive_widgets(scratch, manifest_path, skin_path, lang_path, parts[4]);
    std::filesystem::current_path(started, ec);
    if (ec) std::abort();
    return 0;
}
