// Arbitrary bytes split at "\n%%\n" into a skin file, a language file and
// a resource manifest; the skin is made over a resource manager that reads
// the manifest (where "@/" stands for a scratch folder holding two images,
// a nine-part frame and a block font), then every reader of the skin runs
// over every key that came out, the image and font look-ups included.
// Then a text tooltip, a static text, a text spot and a dialog are built
// from the skin and drawn into a small image.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "framework/app/PlatformHost.h"
#include "framework/app/WidgetManager.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageLib.h"
#include "framework/graphics/MemoryImage.h"
#include "gui/BasicScreen.h"
#include "gui/ScreenSystem.h"
#include "orvek/Exception.h"
#include "orvek/Names.h"
#include "ostrel/App.h"
#include "ostrel/ResourceManager.h"
#include "ostrel/gui/Skin.h"
#include "ostrel/gui/Spots.h"
#include "ostrel/gui/Statics.h"
#include "platform/headless/HeadlessShell.h"
#include "platform/headless/HeadlessWindow.h"
#include "platform/headless/ManualClock.h"

#include "fuzz/support/FuzzScratch.h"
#include "fuzz/support/SkinReaders.h"

namespace {

using orvek::ostrel::Skin;

// The application the resource manager loads images through; no window.
class FuzzApp : public orvek::ostrel::App {
public:
    explicit FuzzApp(Vant::AppHost* host) : App(host) { mOnlyAllowOneCopyToRun = false; }
    bool ChangeDirHook(const std::string&) override { return true; }
};

struct Services {
    plat::headless::ManualClock clock;
    plat::headless::HeadlessWindow window{clock};
    plat::headless::HeadlessShell shell;
    Vant::PlatformHost host;
    FuzzApp app{&host};
    explicit Services(const std::string& settings) : host(window, shell, clock, settings) {}
};

void write_png(const std::string& path, int w, int h, uint32_t (*pixel)(int x, int y)) {
    ImageLib::Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.bits[y * w + x] = pixel(x, y);
    ImageLib::WritePNGImage(path, img);
}

// The fixture's pictures: a flat image, a nine-part frame and the block
// font (5 lit columns and a gap per glyph).
void write_images(const fuzzsupport::ScratchDir& scratch) {
    std::filesystem::create_directories(scratch.dir() / "images");
    write_png(scratch.file("images/red.png"), 4, 3, [](int, int) { return 0xFFFF0000u; });
    write_png(scratch.file("images/frame.png"), 9, 9,
              [](int x, int y) { return 0xFF000000u | uint32_t(((y / 3) * 3 + x / 3 + 1) * 16); });
    write_png(scratch.file("images/block.png"), 6 * 94, 10,
              [](int x, int y) { return x % 6 < 5 && y < 8 ? 0xFFFFFFFFu : 0u; });
    std::string metrics = "6 8\n";
    for (int c = 33; c < 127; ++c) metrics += std::string(1, char(c)) + " 6\n";
    fuzzsupport::write_input(scratch.file("images/block.txt"), reinterpret_cast<const uint8_t*>(metrics.data()),
                             metrics.size());
}

// Builds and draws the skin's widgets; only the manager's exception for a
// missing font is expected.
void draw_widgets(const std::string& input, Services& services, orvek::ostrel::ResourceManager& resources) {
    using namespace orvek::ostrel;
    Skin& skin = *Skin::instance();
    Vant::MemoryImage dest(nullptr);
    dest.Create(64, 48);
    Vant::Graphics g(&dest);
    std::string tip_path = "menu/tooltip", dialog_path, text = "text", font_id;
    for (const auto& [key, value] : skin.attributes()) {
        const auto at = key.rfind("/@");
        if (at == std::string::npos) continue;
        const std::string node = key.substr(0, at), name = key.substr(at + 2);
        if (name == "type" && dialog_path.empty()) dialog_path = node;
        if (node.size() > 7 && node.compare(node.size() - 7, 7, "/border") == 0) tip_path = node.substr(0, node.size() - 7);
        if (name == "id" && font_id.empty()) font_id = value;
    }
    if (!skin.texts().empty()) text = skin.texts().begin()->second;
    Vant::Font* font = nullptr;
    if (!font_id.empty()) {
        try {
            font = skin.get_font(font_id);
        } catch (const Vant::ResourceManagerException&) {
        }
    }

    TextTooltip tip(tip_path);
    tip.draw(&g);
    tip.text().draw(&g);
    StaticText st;
    st.set_font(font);
    st.set_size({int(input.size() % 200), 0});
    st.set_text(text);
    st.fit_size();
    st.draw(&g);
    TextSpot spot;
    spot.set_font(font);
    spot.set_text(text);
    spot.set_size(input.empty() ? 0 : static_cast<unsigned char>(input[0]), 40);
    spot.set_centered(input.size() % 2 == 0);
    spot.fit_to_lines();
    spot.draw(g);
    if (dialog_path.empty()) return;
    orvek::trelm::gui::ScreenSystem system(services.app.mWidgetManager.get(), &resources);
    try {
        orvek::trelm::gui::ModalScreenWithText dialog(system, dialog_path);
        dialog.control().draw(&g);
    } catch (const Vant::ResourceManagerException&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzzsupport::ScratchDir scratch("skin");
    static Services services(scratch.file("settings.txt"));
    static const bool images = (write_images(scratch), orvek::ostrel::set_screen_size(64, 48), true);
    (void)images;
    static const std::string skin_path = scratch.file("skin.xml"), lang_path = scratch.file("en.xml"),
                             manifest_path = scratch.file("resources.xml");
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string parts[3];
    std::size_t from = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t at = i < 2 ? input.find("\n%%\n", from) : std::string::npos;
        parts[i] = input.substr(from, at == std::string::npos ? std::string::npos : at - from);
        if (at == std::string::npos) break;
        from = at + 4;
    }
    // "@/" in the manifest is the scratch folder with the images and the font.
    for (std::size_t at; (at = parts[2].find("@/")) != std::string::npos;)
        parts[2].replace(at, 2, scratch.dir().string() + "/");
    const std::string* paths[3] = {&skin_path, &lang_path, &manifest_path};
    for (int i = 0; i < 3; ++i)
        if (!fuzzsupport::write_input(*paths[i], reinterpret_cast<const uint8_t*>(parts[i].data()), parts[i].size()))
            return 0;

    Skin::set_resources_file(manifest_path);
    Skin::set_skin_file(skin_path.c_str());
    Skin::set_language("en");
    Skin::set_language_file(lang_path.c_str());
    orvek::ostrel::ResourceManager resources(&services.app);
    Skin::create(&resources);
    Skin& skin = *Skin::instance();
    try {
        skin.load_resources("Common");
    } catch (const orvek::Exception&) {
    }
    fuzzsupport::check_skin_readers(skin, resources);
    draw_widgets(input, services, resources);
    Skin::destroy();
    return 0;
}
