// Fonts of the resource manifest: image fonts from descriptors, from a
// strip image with its metrics file, or copies of a font loaded earlier.
#include "framework/app/ResourceManager.h"

#include <cstring>

#include "framework/app/VantAppBase.h"
#include "framework/graphics/ImageFont.h"
#include "framework/graphics/MemoryImage.h"

namespace Vant {

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

}  // namespace Vant
