#pragma once
// Named resources from an XML resource manifest: images, sounds and fonts
// declared in groups, loaded a group at a time (images, then sounds, then
// fonts, each in id order), freed a group at a time, and handed out by id.
// Only the first failure since the last group load is kept as the error
// text; lookups of missing ids throw with that text.
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/graphics/Image.h"

namespace Vant {

class Font;
class VantAppBase;
class XMLParser;
class XMLElement;

class ResourceManagerException : public std::exception {
public:
    explicit ResourceManagerException(std::string what) : what_(std::move(what)) {}
    const char* what() const noexcept override { return what_.c_str(); }

private:
    std::string what_;
};

// Compares group names without regard to case.
struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

class ResourceManager {
public:
    struct BaseRes {
        virtual ~BaseRes() = default;
        virtual void ReleaseLoaded() {}
        std::string group;
        std::string path;
        std::map<std::string, std::string> attributes;
        bool fromProgram = false;
    };

    struct ImageRes : BaseRes {
        void ReleaseLoaded() override { image.Release(); }
        SharedImageRef image;
        std::string alphaImage, alphaGrid, variant;
        bool useAlpha = true, palletize = true, a4r4g4b4 = false, a8r8g8b8 = false, ddSurface = false,
             purgeBits = false, minSubdivide = false;
        int rows = 1, cols = 1;
        unsigned alphaColor = 0xFFFFFF;
        ImageAnimation animation;
    };

    struct SoundRes : BaseRes {
        // The sound stays with the sound manager, which hands the same id
        // back when the path is loaded again.
        void ReleaseLoaded() override { soundId = -1; }
        int soundId = -1;
        double volume = -1.0;
        int pan = 0;
    };

    struct FontRes : BaseRes {
        ~FontRes() override;
        void ReleaseLoaded() override;
        Font* font = nullptr;        // owned
        Image* fontImage = nullptr;  // owned
        std::string imagePath;
        std::string tags;
    };

    using ResMap = std::map<std::string, BaseRes*>;

    explicit ResourceManager(VantAppBase* app);
    virtual ~ResourceManager();
    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;

    virtual void UnloadGroup(const std::string& group);
    virtual void UnloadFromMap(ResMap& map, const std::string& group);
    virtual bool LoadImage(ImageRes* res);
    virtual bool LoadFont(FontRes* res);
    virtual bool LoadNextImage();
    virtual bool LoadNextSound();
    virtual bool LoadNextFont();
    virtual bool LoadNextInGroup();
    virtual void BeginGroupLoad(const std::string& group);
    virtual bool LoadGroup(const std::string& group);
    virtual SharedImageRef RequireImage(const std::string& id);
    virtual int RequireSound(const std::string& id);
    virtual Font* RequireFont(const std::string& id);

    // The image of a declared id: empty when unknown or not loaded. Never
    // records an error.
    SharedImageRef GetImage(const std::string& id);
    bool IsGroupLoaded(const std::string& group) const { return mLoadedGroups.count(group) != 0; }
    bool LoadManifest(const std::string& fileName);
    std::string ErrorText() const { return mError; }
    bool HadError() const { return mHasFailed; }
    // Keeps the first failure; always false.
    bool RecordError(const std::string& message);

    const ResMap& Images() const { return mImageMap; }
    const ResMap& Sounds() const { return mSoundMap; }
    const ResMap& Fonts() const { return mFontMap; }
    // Values that were mended while reading (also logged).
    const std::vector<std::string>& Warnings() const { return mWarnings; }

protected:
    bool ParseResourcesFile();
    bool ParseResources();
    bool ParseCommonResource(const XMLElement& e, BaseRes* res, ResMap& map, std::string* idOut);
    bool ParseImageResource(const XMLElement& e);
    bool ParseSoundResource(const XMLElement& e);
    bool ParseFontResource(const XMLElement& e);
    bool ParseSetDefaults(const XMLElement& e);
    bool ApplyAlphaImage(ImageRes* res, Image* image);
    bool ApplyAlphaGrid(ImageRes* res, Image* image);
    // Advances a load cursor past what a group load skips.
    BaseRes* NextToLoad(ResMap& map, ResMap::iterator& cursor, bool (*loaded)(const BaseRes*));

    std::set<std::string, NoCaseLess> mLoadedGroups;
    ResMap mImageMap, mSoundMap, mFontMap;
    ResMap::iterator mCurImageItr, mCurSoundItr, mCurFontItr;
    XMLParser* mXMLParser = nullptr;
    std::string mError;
    bool mHasFailed = false;
    VantAppBase* mApp;
    std::string mCurResGroup;
    std::string mDefaultPath;
    std::string mDefaultIdPrefix;
    std::vector<std::string> mWarnings;
};

}  // namespace Vant
