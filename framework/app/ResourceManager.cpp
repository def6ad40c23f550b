#include "framework/app/ResourceManager.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/app/Common.h"
#include "framework/app/SoundManager.h"
#include "framework/app/VantAppBase.h"
#include "framework/graphics/ImageLib.h"
#include "framework/graphics/MemoryImage.h"
#include "orvek/Log.h"
#include "orvek/XMLParser.h"

namespace Vant {

namespace {
orvek::LogChannel res_warn("vant.resources", orvek::log_warning_flag);

bool Has(const XMLElement& e, const char* name) { return e.mAttributes.count(name) != 0; }

std::string Attr(const XMLElement& e, const char* name) {
    const auto it = e.mAttributes.find(name);
    return it == e.mAttributes.end() ? std::string() : it->second;
}

bool ImageLoaded(const ResourceManager::BaseRes* r) {
    return static_cast<const ResourceManager::ImageRes*>(r)->image.GetImage() != nullptr;
}
bool SoundLoaded(const ResourceManager::BaseRes* r) {
    return static_cast<const ResourceManager::SoundRes*>(r)->soundId != -1;
}
bool FontLoaded(const ResourceManager::BaseRes* r) {
    return static_cast<const ResourceManager::FontRes*>(r)->font != nullptr;
}

// Drops one trailing "\" or "/".
std::string WithoutTrailingSlash(const std::string& s) {
    if (!s.empty() && (s.back() == '\\' || s.back() == '/')) return s.substr(0, s.size() - 1);
    return s;
}
}  // namespace

bool NoCaseLess::operator()(const std::string& a, const std::string& b) const {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = std::toupper(static_cast<unsigned char>(a[i]));
        const int cb = std::toupper(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb;
    }
    return a.size() < b.size();
}

ResourceManager::ResourceManager(VantAppBase* app) : mApp(app) {
    mCurImageItr = mImageMap.end();
    mCurSoundItr = mSoundMap.end();
    mCurFontItr = mFontMap.end();
}

ResourceManager::~ResourceManager() {
    for (ResMap* map : {&mImageMap, &mSoundMap, &mFontMap}) {
        for (auto& [id, res] : *map) {
            res->ReleaseLoaded();
            delete res;
        }
        map->clear();
    }
}

bool ResourceManager::RecordError(const std::string& message) {
    if (mHasFailed) return false;
    mHasFailed = true;
    mError = message;
    if (mXMLParser) {
        if (mXMLParser->GetCurrentLineNum() > 0) mError += " on Line " + std::to_string(mXMLParser->GetCurrentLineNum());
        if (!mXMLParser->GetFileName().empty()) mError += " in File '" + mXMLParser->GetFileName() + "'";
    }
    return false;
}

// ---- manifest ----

bool ResourceManager::LoadManifest(const std::string& fileName) {
    XMLParser parser;
    mXMLParser = &parser;
    if (!parser.OpenFile(fileName)) {
        RecordError("Resource file not found: " + fileName);
    } else {
        ParseResourcesFile();
    }
    if (parser.HasFailed()) RecordError(parser.GetErrorText());
    mXMLParser = nullptr;
    return !mHasFailed;
}

bool ResourceManager::ParseResourcesFile() {
    XMLElement e;
    bool found = false;
    while (!mXMLParser->HasFailed()) {
        if (!mXMLParser->NextElement(&e)) break;
        if (e.mType == XMLElement::TYPE_START) {
            found = e.mValue == "ResourceManifest";
            break;
        }
    }
    if (mXMLParser->HasFailed() && !mXMLParser->GetErrorText().empty()) RecordError(mXMLParser->GetErrorText());
    if (!found) RecordError("Expecting ResourceManifest tag");

    while (!mXMLParser->HasFailed()) {
        if (!mXMLParser->NextElement(&e)) break;
        if (e.mType == XMLElement::TYPE_START) {
            if (e.mValue != "Resources") return RecordError("Invalid Section '" + e.mValue + "'");
            mCurResGroup = Attr(e, "id");
            if (mCurResGroup.empty()) return RecordError("No id specified.");
            if (!ParseResources()) return false;
        } else if (e.mType == XMLElement::TYPE_ELEMENT) {
            return RecordError("Element Not Expected '" + e.mValue + "'");
        }
    }
    return !mHasFailed;
}

bool ResourceManager::ParseResources() {
    XMLElement e;
    for (;;) {
        if (!mXMLParser->NextElement(&e)) return false;
        if (e.mType == XMLElement::TYPE_START) {
            bool ok;
            if (e.mValue == "Image")
                ok = ParseImageResource(e);
            else if (e.mValue == "Sound")
                ok = ParseSoundResource(e);
            else if (e.mValue == "Font")
                ok = ParseFontResource(e);
            else if (e.mValue == "SetDefaults")
                ok = ParseSetDefaults(e);
            else
                return RecordError("Invalid Section '" + e.mValue + "'");
            if (!ok) return false;
            XMLElement end;
            if (!mXMLParser->NextElement(&end)) return false;
            if (end.mType != XMLElement::TYPE_END) return RecordError("Unexpected element found.");
        } else if (e.mType == XMLElement::TYPE_ELEMENT) {
            return RecordError("Element Not Expected '" + e.mValue + "'");
        } else if (e.mType == XMLElement::TYPE_END) {
            return true;
        }
    }
}

bool ResourceManager::ParseSetDefaults(const XMLElement& e) {
    if (Has(e, "path")) mDefaultPath = WithoutTrailingSlash(Attr(e, "path")) + "/";
    if (Has(e, "idprefix")) mDefaultIdPrefix = WithoutTrailingSlash(Attr(e, "idprefix"));
    return true;
}

bool ResourceManager::ParseCommonResource(const XMLElement& e, BaseRes* res, ResMap& map, std::string* idOut) {
    const std::string path = Attr(e, "path");
    if (path.empty()) {
        delete res;
        return RecordError("No path specified.");
    }
    res->attributes = e.mAttributes;
    res->fromProgram = false;
    if (path[0] == '!') {
        res->path = path;
        if (path == "!program") res->fromProgram = true;
    } else {
        res->path = mDefaultPath + path;
    }
    std::string id;
    if (Has(e, "id"))
        id = mDefaultIdPrefix + Attr(e, "id");
    else
        id = mDefaultIdPrefix + GetFileName(res->path, true);
    res->group = mCurResGroup;
    if (idOut) *idOut = id;
    if (!map.emplace(id, res).second) {
        delete res;
        return RecordError("Resource already defined.");
    }
    return true;
}

bool ResourceManager::ParseImageResource(const XMLElement& e) {
    auto* res = new ImageRes;
    std::string id;
    if (!ParseCommonResource(e, res, mImageMap, &id)) return false;

    res->palletize = !Has(e, "nopal");
    res->a4r4g4b4 = Has(e, "a4r4g4b4");
    res->ddSurface = Has(e, "ddsurface");
    res->purgeBits = Has(e, "nobits");
    const bool accelerated = mApp && mApp->Is3DAccelerated();
    if (!Has(e, "nobits") && Has(e, "nobits3d") && accelerated) res->purgeBits = true;
    if (!Has(e, "nobits") && Has(e, "nobits2d") && !accelerated) res->purgeBits = true;
    res->a8r8g8b8 = Has(e, "a8r8g8b8");
    res->minSubdivide = Has(e, "minsubdivide");
    res->useAlpha = !Has(e, "noalpha");
    if (Has(e, "alphaimage")) res->alphaImage = mDefaultPath + Attr(e, "alphaimage");
    if (Has(e, "alphacolor")) {
        unsigned v = 0;
        if (std::sscanf(Attr(e, "alphacolor").c_str(), "%x", &v) == 1) res->alphaColor = v;
    }
    if (Has(e, "variant")) res->variant = Attr(e, "variant");
    if (Has(e, "alphagrid")) res->alphaGrid = mDefaultPath + Attr(e, "alphagrid");
    // A grid of no rows or columns would divide by zero when cels are cut.
    for (auto [name, field] : {std::pair<const char*, int*>{"rows", &res->rows}, {"cols", &res->cols}}) {
        if (!Has(e, name)) continue;
        *field = std::atoi(Attr(e, name).c_str());
        if (*field < 1) {
            res_warn << "\"" << name << "\" of " << id << " is " << *field << ", taken as 1" << std::endl;
            mWarnings.push_back(std::string("\"") + name + "\" of " + id + " taken as 1");
            *field = 1;
        }
    }

    ImageAnimation& anim = res->animation;
    if (Has(e, "anim")) {
        const std::string a = ToLowerCopy(Attr(e, "anim"));
        if (a == "none")
            anim.type = ImageAnimation::None;
        else if (a == "once")
            anim.type = ImageAnimation::Once;
        else if (a == "loop")
            anim.type = ImageAnimation::Loop;
        else if (a == "pingpong")
            anim.type = ImageAnimation::PingPong;
        else
            return RecordError("Invalid animation type.");
    }
    if (anim.type != ImageAnimation::None) {
        int beginDelay = 0, endDelay = 0;
        if (Has(e, "framedelay")) anim.frameDelay = std::atoi(Attr(e, "framedelay").c_str());
        if (Has(e, "begindelay")) beginDelay = std::atoi(Attr(e, "begindelay").c_str());
        if (Has(e, "enddelay")) endDelay = std::atoi(Attr(e, "enddelay").c_str());
        if (Has(e, "perframedelay")) ParseIntList(Attr(e, "perframedelay"), &anim.perFrameDelay);
        if (Has(e, "framemap")) ParseIntList(Attr(e, "framemap"), &anim.frameMap);
        // A frame outside the cel grid would later cut outside the image.
        const int cels = res->rows * res->cols;
        for (int f : anim.frameMap)
            if (f < 0 || f >= cels)
                return RecordError("Frame " + std::to_string(f) + " in \"framemap\" of " + id + " is outside its " +
                                   std::to_string(cels) + " cels");
        anim.Compute(std::max(res->rows, res->cols), beginDelay, endDelay);
    }
    return true;
}

bool ResourceManager::ParseSoundResource(const XMLElement& e) {
    auto* res = new SoundRes;
    if (!ParseCommonResource(e, res, mSoundMap, nullptr)) return false;
    res->soundId = -1;
    res->volume = -1.0;
    res->pan = 0;
    if (Has(e, "volume")) {
        double v;
        if (std::sscanf(Attr(e, "volume").c_str(), "%lf", &v) == 1) res->volume = v;
    }
    if (Has(e, "pan")) {
        int p;
        if (std::sscanf(Attr(e, "pan").c_str(), "%d", &p) == 1) res->pan = p;
    }
    return true;
}

bool ResourceManager::ParseFontResource(const XMLElement& e) {
    auto* res = new FontRes;
    if (!ParseCommonResource(e, res, mFontMap, nullptr)) return false;
    res->imagePath = Attr(e, "image");
    res->tags = Attr(e, "tags");
    return true;
}

// ---- loading ----

void ResourceManager::UnloadFromMap(ResMap& map, const std::string& group) {
    for (auto& [id, res] : map)
        if (group.empty() || res->group == group) res->ReleaseLoaded();
}

void ResourceManager::UnloadGroup(const std::string& group) {
    UnloadFromMap(mImageMap, group);
    UnloadFromMap(mSoundMap, group);
    UnloadFromMap(mFontMap, group);
    mLoadedGroups.erase(group);
}

void ResourceManager::BeginGroupLoad(const std::string& group) {
    mCurResGroup = group;
    mCurImageItr = mImageMap.begin();
    mCurSoundItr = mSoundMap.begin();
    mCurFontItr = mFontMap.begin();
}

ResourceManager::BaseRes* ResourceManager::NextToLoad(ResMap& map, ResMap::iterator& cursor,
                                                      bool (*loaded)(const BaseRes*)) {
    while (cursor != map.end()) {
        BaseRes* res = cursor->second;
        ++cursor;
        if (!mCurResGroup.empty() && res->group != mCurResGroup) continue;
        if (res->fromProgram || loaded(res)) continue;
        return res;
    }
    return nullptr;
}

bool ResourceManager::LoadNextImage() {
    if (mHasFailed) return false;
    BaseRes* res = NextToLoad(mImageMap, mCurImageItr, ImageLoaded);
    return res && LoadImage(static_cast<ImageRes*>(res));
}

bool ResourceManager::LoadNextSound() {
    if (mHasFailed) return false;
    auto* res = static_cast<SoundRes*>(NextToLoad(mSoundMap, mCurSoundItr, SoundLoaded));
    if (!res) return false;
    // The sound manager allocates the id, so ids never clash with sounds it
    // loads for others, and a path loaded again gets its old id back.
    SoundManager* sm = mApp ? mApp->mSoundManager.get() : nullptr;
    const int id = sm ? sm->LoadSound(res->path) : -1;
    if (id < 0) return RecordError("Failed to load sound: " + res->path);
    if (res->volume >= 0.0) sm->SetBaseVolume(static_cast<unsigned>(id), res->volume);
    if (res->pan != 0) sm->SetBasePan(static_cast<unsigned>(id), res->pan);
    res->soundId = id;
    return true;
}

bool ResourceManager::LoadNextFont() {
    if (mHasFailed) return false;
    BaseRes* res = NextToLoad(mFontMap, mCurFontItr, FontLoaded);
    return res && LoadFont(static_cast<FontRes*>(res));
}

bool ResourceManager::LoadNextInGroup() {
    if (LoadNextImage()) return true;
    if (LoadNextSound()) return true;
    return LoadNextFont();
}

bool ResourceManager::LoadGroup(const std::string& group) {
    mError.clear();
    mHasFailed = false;
    BeginGroupLoad(group);
    while (LoadNextInGroup()) {
    }
    if (mHasFailed) return false;
    mLoadedGroups.insert(group);
    return true;
}

bool ResourceManager::ApplyAlphaImage(ImageRes* res, Image* image) {
    const auto alpha = ImageLib::GetImage(res->alphaImage, true);
    if (!alpha) return RecordError("Failed to load image: " + res->alphaImage);
    auto* mem = dynamic_cast<MemoryImage*>(image);
    if (!mem || alpha->width != image->width || alpha->height != image->height)
        return RecordError("AlphaImage size mismatch between " + res->path + " and " + res->alphaImage);
    uint32_t* bits = mem->GetBits();
    const std::size_t n = static_cast<std::size_t>(image->width) * image->height;
    for (std::size_t i = 0; i < n; ++i) bits[i] = (bits[i] & 0x00FFFFFFu) | ((alpha->bits[i] & 0xFFu) << 24);
    mem->BitsChanged();
    return true;
}

bool ResourceManager::ApplyAlphaGrid(ImageRes* res, Image* image) {
    const auto grid = ImageLib::GetImage(res->alphaGrid, true);
    if (!grid) return RecordError("Failed to load image: " + res->alphaGrid);
    auto* mem = dynamic_cast<MemoryImage*>(image);
    const int cols = std::max(1, res->cols), rows = std::max(1, res->rows);
    const int celW = image->width / cols, celH = image->height / rows;
    if (!mem || grid->width != celW || grid->height != celH)
        return RecordError("GridAlphaImage size mismatch between " + res->path + " and " + res->alphaGrid);
    uint32_t* bits = mem->GetBits();
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            for (int y = 0; y < celH; ++y)
                for (int x = 0; x < celW; ++x) {
                    uint32_t& p = bits[static_cast<std::size_t>(r * celH + y) * image->width + c * celW + x];
                    p = (p & 0x00FFFFFFu) | ((grid->bits[static_cast<std::size_t>(y) * celW + x] & 0xFFu) << 24);
                }
    mem->BitsChanged();
    return true;
}

bool ResourceManager::LoadImage(ImageRes* res) {
    bool isNew = false;
    ImageLib::SetAlphaOnlyColor(res->alphaColor);
    SharedImageRef ref = mApp->OpenSharedImage(res->path, res->variant, &isNew);
    ImageLib::SetAlphaOnlyColor(0xFFFFFF);
    Image* image = ref.GetImage();
    if (!image) return RecordError("Failed to load image: " + res->path);
    if (isNew) {
        if (!res->alphaImage.empty() && !ApplyAlphaImage(res, image)) return false;
        if (!res->alphaGrid.empty() && !ApplyAlphaGrid(res, image)) return false;
    }
    auto* mem = dynamic_cast<MemoryImage*>(image);
    if (mem) mem->CommitBits();
    res->image = ref;
    if (mem) {
        mem->purgeBits = res->purgeBits;
        if (res->ddSurface) {
            mem->CommitBits();
            if (!mem->hasAlpha) mem->purgeBits = true;
        }
        if (res->palletize) mem->Palletize();
        if (res->a4r4g4b4) mem->d3dFlags |= 4;
        if (res->a8r8g8b8) mem->d3dFlags |= 8;
        if (res->minSubdivide) mem->d3dFlags |= 1;
    }
    if (res->animation.type != ImageAnimation::None) image->animation = std::make_unique<ImageAnimation>(res->animation);
    image->numRows = res->rows;
    image->numCols = res->cols;
    return true;
}

// ---- lookups ----

SharedImageRef ResourceManager::GetImage(const std::string& id) {
    const auto it = mImageMap.find(id);
    if (it == mImageMap.end()) return SharedImageRef();
    return static_cast<ImageRes*>(it->second)->image;
}

SharedImageRef ResourceManager::RequireImage(const std::string& id) {
    const auto it = mImageMap.find(id);
    if (it != mImageMap.end() && ImageLoaded(it->second)) return static_cast<ImageRes*>(it->second)->image;
    RecordError("Image resource not found: " + id);
    throw ResourceManagerException(mError);
}

int ResourceManager::RequireSound(const std::string& id) {
    const auto it = mSoundMap.find(id);
    if (it != mSoundMap.end() && SoundLoaded(it->second)) return static_cast<SoundRes*>(it->second)->soundId;
    RecordError("Sound resource not found: " + id);
    throw ResourceManagerException(mError);
}

Font* ResourceManager::RequireFont(const std::string& id) {
    const auto it = mFontMap.find(id);
    if (it != mFontMap.end() && FontLoaded(it->second)) return static_cast<FontRes*>(it->second)->font;
    RecordError("Font resource not found: " + id);
    throw ResourceManagerException(mError);
}

}  // namespace Vant
