// Fonts of the resource manifest: image fonts from descriptors, from a
// strip image with its metrics file, or copies of a font loaded earlier.
#include "framework/app/ResourceManager.h"

#include <cstring>

#include "framework/app/VantAppBase.h"
#if __has_include("framework/graphics/Font.h")
#include "framework/graphics/ImageFont.h"
#define ZELKOR_HAVE_FONTS 1
#endif

namespace Vant {

#ifdef ZELKOR_HAVE_FONTS

ResourceManager::FontRes::~FontRes() { ReleaseLoaded(); }

void ResourceManager::FontRes::ReleaseLoaded() {
    delete font;
    font = nullptr;
    delete fontImage;
    fontImage = nullptr;
}

bool ResourceManager::LoadFont(FontRes* res) {
    ImageFont* font = nullptr;
    if (!res->imagePath.empty()) {
        MemoryImage* image = mApp->GetImage(res->imagePath, true);
        if (!image) return RecordError("Failed to load image: " + res->imagePath);
        delete res->fontImage;
        res->fontImage = image;
        font = new ImageFont(image, res->path);
    } else if (res->path.compare(0, 5, "!ref:") != 0) {
        font = new ImageFont(mApp, res->path);
    } else {
        const std::string ref = res->path.substr(5);
        const auto it = mFontMap.find(ref);
        Font* other = it == mFontMap.end() ? nullptr : static_cast<FontRes*>(it->second)->font;
        if (!other) return RecordError("Ref font not found: " + ref);
        font = dynamic_cast<ImageFont*>(other->Duplicate());
        if (!font) return RecordError("Failed to load font: " + res->path);
    }
    if (!font->mFontData->mInitialized) {
        delete font;
        return RecordError("Failed to load font: " + res->path);
    }
    const std::string& tags = res->tags;
    std::size_t pos = 0;
    while (pos < tags.size()) {
        const std::size_t end = tags.find_first_of(", \r\n\t", pos);
        const std::string tag = tags.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        if (!tag.empty()) font->AddTag(tag);
        if (end == std::string::npos) break;
        pos = end + 1;
    }
    delete res->font;
    res->font = font;
    return true;
}

#else

ResourceManager::FontRes::~FontRes() { delete fontImage; }
void ResourceManager::FontRes::ReleaseLoaded() {}
bool ResourceManager::LoadFont(FontRes* res) {
    if (res->path.compare(0, 5, "!ref:") == 0 && !mFontMap.count(res->path.substr(5)))
        return RecordError("Ref font not found: " + res->path.substr(5));
    return RecordError("Failed to load font: " + res->path);
}

#endif

}  // namespace Vant
