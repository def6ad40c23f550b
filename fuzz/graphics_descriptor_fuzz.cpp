// Feeds arbitrary bytes to the descriptor reader, in both command-separator
// modes, and runs every resolution helper on each argument of every command;
// "Define" binds names so that later commands dereference them. The same
// bytes then make an image font (every font command run, every image name
// answered with one picture) that measures and draws all 256 bytes at a few
// sizes, and serve as the metrics file of a strip font.
#include "framework/graphics/DescParser.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/GraphicsApp.h"
#include "framework/graphics/ImageFont.h"
#include "framework/graphics/MemoryImage.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>

#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

size_t CountElements(const Vant::DataElement& e) {
    if (!e.mIsList) return 1;
    size_t n = 1;
    for (const auto& c : static_cast<const Vant::ListDataElement&>(e).mElementVector) n += CountElements(*c);
    return n;
}

class FuzzParser : public Vant::DescParser {
public:
    bool HandleCommand(const Vant::ListDataElement& params) override {
        const auto& v = params.mElementVector;
        for (size_t i = 1; i < v.size(); ++i) {
            const Vant::DataElement& e = *v[i];
            std::string s;
            std::vector<std::string> strings;
            std::vector<int> ints;
            std::vector<double> doubles;
            Vant::ListDataElement list;
            DataToString(e, &s);
            DataToStringVector(e, &strings);
            DataToIntVector(e, &ints);
            DataToDoubleVector(e, &doubles);
            DataToList(e, &list);
            (void)DataElementToString(e);
            if (!e.mIsList) (void)IsLiteralToken(static_cast<const Vant::SingleDataElement&>(e).mString);
        }
        const std::string name = static_cast<const Vant::SingleDataElement&>(*v[0]).mString;
        if (name == "Define" && v.size() == 3 && !v[1]->mIsList) {
            std::string key = static_cast<const Vant::SingleDataElement&>(*v[1]).mString;
            for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (v[2]->mIsList) {
                auto resolved = std::make_unique<Vant::ListDataElement>();
                if (!GetValues(static_cast<const Vant::ListDataElement&>(*v[2]), resolved.get())) return false;
                // A define may hold itself twice over; doubling it on every
                // command only measures the fuzzer's memory.
                if (CountElements(*resolved) > 10000) return false;
                mDefineMap[key] = std::move(resolved);
            } else {
                mDefineMap[key] = v[2]->Duplicate();
            }
        }
        return name != "Stop";
    }
};

// Any image name gives the same 48 x 16 picture.
class FuzzApp : public Vant::GraphicsApp {
public:
    FuzzApp() {
        auto* img = new Vant::MemoryImage(this);
        img->Create(48, 16);
        uint32_t* bits = img->GetBits();
        for (int i = 0; i < 48 * 16; ++i) bits[i] = (i % 3) ? 0xFFFFFFFFu : 0x80FF0000u;
        img->BitsChanged();
        picture.image.reset(img);
        picture.refCount = 1;
    }
    void RegisterMemoryImage(Vant::MemoryImage*) override {}
    void UnregisterMemoryImage(Vant::MemoryImage*) override {}
    void SetImageSetDirty() override {}
    Vant::SharedImageRef OpenSharedImage(const std::string&, const std::string&, bool* isNew) override {
        if (isNew) *isNew = false;
        return Vant::SharedImageRef(&picture);
    }
    Vant::SharedImage picture;
};

void Exercise(Vant::ImageFont& font) {
    std::string all(256, ' ');
    for (int i = 0; i < 256; ++i) all[i] = static_cast<char>(i);
    Vant::MemoryImage dest(static_cast<Vant::GraphicsApp*>(nullptr));
    dest.Create(64, 32);
    Vant::Graphics g(&dest);
    for (double scale : {1.0, 0.5, 1.75}) {
        font.SetScale(scale);
        for (int size : {font.GetDefaultPointSize(), 9}) {
            font.SetPointSize(size);
            (void)font.StringWidth(all);
            (void)font.GetLineSpacing();
            std::list<Vant::Rect> rects;
            int width = 0;
            font.DrawStringEx(&g, 3, 20, all, Vant::Color(200, 100, 50, 255), g.clipRect, &rects, &width);
        }
    }
    font.AddTag("bold");
    font.AddTag("BOLD");
    font.RemoveTag("bold");
    std::unique_ptr<Vant::Font> copy(font.Duplicate());
    copy->DrawString(&g, 0, 10, "abc", Vant::Color::White, g.clipRect);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (int sep : {int{Vant::DescParser::CMDSEP_SEMICOLON}, int{Vant::DescParser::CMDSEP_NO_INDENT}}) {
        FuzzParser p;
        p.mCmdSep = sep;
        p.LoadDescriptorText(text);
    }

    static FuzzApp app;
    static const std::string file = "descriptor_fuzz_" + std::to_string(getpid()) + ".txt";
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(text.data(), static_cast<std::streamsize>(size));
    {
        Vant::ImageFont font(&app, file);
        Exercise(font);
    }
    {
        Vant::MemoryImage strip(&app);
        strip.Create(50, 10);
        Vant::ImageFont legacy(&strip, file);
        Exercise(legacy);
    }
    std::remove(file.c_str());
    return 0;
}
