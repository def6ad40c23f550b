#include "framework/graphics/FontData.h"

#include <cctype>
#include <cstdio>
#include <functional>
#include <sstream>

#include "framework/graphics/GraphicsApp.h"
#include "framework/graphics/MemoryImage.h"
#include "orvek/File.h"
#include "orvek/Log.h"
#include "orvek/NumberText.h"

namespace Vant {

namespace {

orvek::LogChannel font_warn("vant.fonts", orvek::log_warning_flag);

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

const std::string& Text(const DataElement& e) { return static_cast<const SingleDataElement&>(e).mString; }

std::size_t CountElements(const DataElement& e) {
    if (!e.mIsList) return 1;
    std::size_t n = 1;
    for (const auto& c : static_cast<const ListDataElement&>(e).mElementVector) n += CountElements(*c);
    return n;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

const char kBadType[] = "Invalid Paramater Type";
const char kMismatch[] = "List Size Mismatch";

}  // namespace

FontData::FontData() {
    for (int i = 0; i < 256; ++i) mCharMap[i] = static_cast<uint8_t>(i);
}

FontData::~FontData() = default;

bool FontData::Error(const std::string& message) {
    DescParser::Error(message);
    if (!mApp) return false;
    std::string text = mFontErrorHeader + message;
    if (!mCurrentLine.empty()) {
        char num[32];
        std::snprintf(num, sizeof num, "%d:\r\n\r\n", mCurrentLineNum);
        text += " on Line " + std::string(num) + mCurrentLine;
    }
    mApp->Popup(text);
    return false;
}

bool FontData::Warn(const std::string& text) {
    const std::string full = mSourceFile + " line " + std::to_string(mCurrentLineNum) + ": " + text;
    font_warn << full << std::endl;
    mWarnings.push_back(full);
    return true;
}

bool FontData::Load(GraphicsApp* app, const std::string& fileName) {
    if (mInitialized) return false;
    mApp = app;
    mCurrentLine.clear();
    mFontErrorHeader = "Font Descriptor Error in " + fileName + "\r\n";
    mSourceFile = fileName;
    mInitialized = LoadDescriptor(fileName);
    return true;
}

bool FontData::GetLayerFromDataElement(const DataElement& element, FontLayer** layer) {
    *layer = nullptr;
    if (element.mIsList) return false;
    const auto it = mFontLayerMap.find(Upper(Text(element)));
    if (it == mFontLayerMap.end()) return Error("Undefined Layer");
    *layer = it->second;
    return true;
}

bool FontData::HandleCommand(const ListDataElement& params) {
    const auto& v = params.mElementVector;
    const std::string cmd = Upper(Text(*v[0]));
    const std::size_t argc = v.size() - 1;

    // Arguments of the kinds every command is built from.
    auto number = [&](std::size_t i, int* out) {
        return !v[i]->mIsList && orvek::parse_int(Text(*v[i]), out);
    };
    auto layerArg = [&](std::size_t i, FontLayer** out) { return GetLayerFromDataElement(*v[i], out); };
    // Each element of a list of characters must be one byte.
    auto chars = [&](const std::vector<std::string>& strings, std::vector<int>* out, bool* shapeError) {
        for (const std::string& s : strings) {
            if (s.size() == 1)
                out->push_back(static_cast<unsigned char>(s[0]));
            else {
                out->push_back(-1);
                *shapeError = true;
            }
        }
    };

    struct Spec {
        const char* name;
        std::size_t argc;
    };
    static const Spec kCommands[] = {
        {"DEFINE", 2},          {"CREATEHORZSPANRECTLIST", 3}, {"SETDEFAULTPOINTSIZE", 1},
        {"SETCHARMAP", 2},      {"CREATELAYER", 1},            {"CREATELAYERFROM", 2},
        {"LAYERREQUIRETAGS", 2}, {"LAYEREXCLUDETAGS", 2},      {"LAYERPOINTRANGE", 3},
        {"LAYERSETPOINTSIZE", 2}, {"LAYERSETIMAGE", 2},        {"LAYERSETDRAWMODE", 2},
        {"LAYERSETCOLORMULT", 2}, {"LAYERSETCOLORADD", 2},     {"LAYERSETASCENT", 2},
        {"LAYERSETASCENTPADDING", 2}, {"LAYERSETLINESPACINGOFFSET", 2}, {"LAYERSETOFFSET", 2},
        {"LAYERSETCHARWIDTHS", 3}, {"LAYERSETSPACING", 2},     {"LAYERSETIMAGEMAP", 3},
        {"LAYERSETCHAROFFSETS", 3}, {"LAYERSETKERNINGPAIRS", 3}, {"LAYERSETBASEORDER", 2},
        {"LAYERSETCHARORDERS", 3},
    };
    const Spec* spec = nullptr;
    for (const Spec& s : kCommands)
        if (cmd == s.name) spec = &s;
    if (!spec) return Error("Unknown Command");
    if (argc != spec->argc) return Error("Invalid Number of Parameters");

    if (cmd == "DEFINE") {
        if (v[1]->mIsList || IsLiteralToken(Text(*v[1]))) return Error(kBadType);
        const std::string name = Upper(Text(*v[1]));
        // Resolved before the old value goes, so a define may build on itself.
        std::unique_ptr<DataElement> value;
        if (!v[2]->mIsList) {
            const DataElement* defined = FindDefine(Text(*v[2]));
            value = defined ? defined->Duplicate() : v[2]->Duplicate();
        } else {
            auto list = std::make_unique<ListDataElement>();
            if (!GetValues(static_cast<const ListDataElement&>(*v[2]), list.get())) {
                mDefineMap.erase(name);
                return false;
            }
            value = std::move(list);
        }
        if (CountElements(*value) > kMaxDefineElements) {
            mDefineMap.erase(name);
            return Error("Define Too Large: \"" + Text(*v[1]) + "\" would hold more than " +
                         std::to_string(kMaxDefineElements) + " values");
        }
        mDefineMap[name] = std::move(value);
        return true;
    }
    if (cmd == "CREATEHORZSPANRECTLIST") {
        std::vector<int> rect, widths;
        if (v[1]->mIsList || !DataToIntVector(*v[2], &rect) || rect.size() != 4 || !DataToIntVector(*v[3], &widths))
            return Error(kBadType);
        auto list = std::make_unique<ListDataElement>();
        long long x = rect[0];
        for (int w : widths) {
            auto r = std::make_unique<ListDataElement>();
            for (long long n : {x, static_cast<long long>(rect[1]), static_cast<long long>(w),
                                static_cast<long long>(rect[3])})
                r->mElementVector.push_back(std::make_unique<SingleDataElement>(std::to_string(n)));
            list->mElementVector.push_back(std::move(r));
            x += w;
        }
        mDefineMap[Upper(Text(*v[1]))] = std::move(list);
        return true;
    }
    if (cmd == "SETDEFAULTPOINTSIZE") {
        if (!number(1, &mDefaultPointSize)) return Error(kBadType);
        return true;
    }
    if (cmd == "SETCHARMAP") {
        std::vector<std::string> from, to;
        if (!DataToStringVector(*v[1], &from) || !DataToStringVector(*v[2], &to)) return Error(kBadType);
        if (from.size() != to.size()) return Error(kMismatch);
        bool shape = false;
        std::vector<int> f, t;
        chars(from, &f, &shape);
        chars(to, &t, &shape);
        for (std::size_t i = 0; i < f.size(); ++i)
            if (f[i] >= 0 && t[i] >= 0) mCharMap[f[i]] = static_cast<uint8_t>(t[i]);
        return shape ? Error(kBadType) : true;
    }
    if (cmd == "CREATELAYER" || cmd == "CREATELAYERFROM") {
        if (v[1]->mIsList) return Error(kBadType);
        FontLayer* source = nullptr;
        if (cmd == "CREATELAYERFROM" && !layerArg(2, &source)) return Error(kBadType);
        if (source)
            mFontLayerList.push_back(*source);
        else
            mFontLayerList.emplace_back(this);
        FontLayer* layer = &mFontLayerList.back();
        if (!mFontLayerMap.emplace(Upper(Text(*v[1])), layer).second) {
            // The layer stays, unnamed; the descriptor goes on.
            Error("Layer Already Exists");
            Warn("layer \"" + Text(*v[1]) + "\" already exists; the new one stays unnamed");
        }
        return true;
    }

    // Every other command works on a layer.
    FontLayer* layer = nullptr;
    if (!layerArg(1, &layer)) return Error(kBadType);

    struct IntField {
        const char* name;
        int FontLayer::*field;
    };
    static const IntField kIntFields[] = {
        {"LAYERSETPOINTSIZE", &FontLayer::mPointSize},
        {"LAYERSETASCENT", &FontLayer::mAscent},
        {"LAYERSETASCENTPADDING", &FontLayer::mAscentPadding},
        {"LAYERSETLINESPACINGOFFSET", &FontLayer::mLineSpacingOffset},
        {"LAYERSETSPACING", &FontLayer::mSpacing},
        {"LAYERSETBASEORDER", &FontLayer::mBaseOrder},
    };
    for (const IntField& f : kIntFields)
        if (cmd == f.name) return number(2, &(layer->*f.field)) ? true : Error(kBadType);

    if (cmd == "LAYERREQUIRETAGS" || cmd == "LAYEREXCLUDETAGS") {
        std::vector<std::string> tags;
        if (!DataToStringVector(*v[2], &tags)) return Error(kBadType);
        auto& into = cmd == "LAYERREQUIRETAGS" ? layer->mRequiredTags : layer->mExcludedTags;
        for (const std::string& t : tags) into.push_back(Upper(t));
        return true;
    }
    if (cmd == "LAYERPOINTRANGE") {
        int lo, hi;
        if (!number(2, &lo) || !number(3, &hi)) return Error(kBadType);
        layer->mMinPointSize = lo;
        layer->mMaxPointSize = hi;
        return true;
    }
    if (cmd == "LAYERSETIMAGE") {
        std::string file;
        if (!DataToString(*v[2], &file)) return Error(kBadType);
        std::string dir = mSourceFile;
        const std::size_t sep = dir.find_last_of("\\/");
        dir = sep == std::string::npos ? std::string() : dir.substr(0, sep);
        const std::string path = GetPathFrom(file, dir);
        bool isNew = false;
        SharedImageRef ref = mApp ? mApp->OpenSharedImage(path, "", &isNew) : SharedImageRef();
        if (!ref.GetImage()) return Error("Failed to Load Image");
        if (isNew)
            if (auto* mem = dynamic_cast<MemoryImage*>(ref.GetImage())) mem->Palletize();
        layer->mImage = ref;
        return true;
    }
    if (cmd == "LAYERSETDRAWMODE") {
        int mode;
        if (!number(2, &mode) || (mode != 0 && mode != 1)) return Error(kBadType);
        layer->mDrawMode = mode;
        return true;
    }
    if (cmd == "LAYERSETCOLORMULT" || cmd == "LAYERSETCOLORADD") {
        std::vector<double> c;
        if (!DataToDoubleVector(*v[2], &c) || c.size() != 4) return Error(kBadType);
        // A colour has four ints; values far outside 0..1 saturate rather
        // than overflow the conversion.
        auto channel = [](double d) { return static_cast<int>(std::max(-1e6, std::min(1e6, d * 255.0))); };
        Color& into = cmd == "LAYERSETCOLORMULT" ? layer->mColorMult : layer->mColorAdd;
        into = Color(channel(c[0]), channel(c[1]), channel(c[2]), channel(c[3]));
        return true;
    }
    if (cmd == "LAYERSETOFFSET") {
        std::vector<int> o;
        if (!DataToIntVector(*v[2], &o) || o.size() != 2) return Error(kBadType);
        layer->mOffsetX = o[0];
        layer->mOffsetY = o[1];
        return true;
    }

    // The rest pair a list of characters (or pairs) with a list of values.
    std::vector<std::string> keys;
    if (!DataToStringVector(*v[2], &keys)) return Error(kBadType);
    bool shape = false;

    if (cmd == "LAYERSETCHARWIDTHS" || cmd == "LAYERSETCHARORDERS") {
        std::vector<int> values;
        if (!DataToIntVector(*v[3], &values)) return Error(kBadType);
        if (keys.size() != values.size()) return Error(kMismatch);
        std::vector<int> c;
        chars(keys, &c, &shape);
        for (std::size_t i = 0; i < c.size(); ++i) {
            if (c[i] < 0) continue;
            if (cmd == "LAYERSETCHARWIDTHS")
                layer->mCharData[c[i]].mWidth = values[i];
            else
                layer->mCharData[c[i]].mOrder = values[i];
        }
        return shape ? Error(kBadType) : true;
    }
    if (cmd == "LAYERSETKERNINGPAIRS") {
        std::vector<int> values;
        if (!DataToIntVector(*v[3], &values)) return Error(kBadType);
        if (keys.size() != values.size()) return Error(kMismatch);
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (keys[i].size() != 2) {
                shape = true;
                continue;
            }
            if (values[i] < -128 || values[i] > 127)
                Warn("kerning " + std::to_string(values[i]) + " of \"" + keys[i] + "\" does not fit 8 bits, kept as " +
                     std::to_string(static_cast<int8_t>(values[i] & 0xFF)));
            layer->mCharData[static_cast<unsigned char>(keys[i][0])]
                .mKerningOffsets[static_cast<unsigned char>(keys[i][1])] = static_cast<int8_t>(values[i] & 0xFF);
        }
        return shape ? Error(kBadType) : true;
    }

    // Characters with rectangles or offsets.
    ListDataElement list;
    if (!DataToList(*v[3], &list)) return Error(kBadType);
    if (keys.size() != list.mElementVector.size()) return Error(kMismatch);
    std::vector<int> c;
    chars(keys, &c, &shape);
    if (cmd == "LAYERSETIMAGEMAP") {
        Image* image = layer->mImage.GetImage();
        if (!image) return Error("Layer image not set");
        for (std::size_t i = 0; i < c.size(); ++i) {
            std::vector<int> r;
            if (!DataToIntVector(*list.mElementVector[i], &r) || r.size() != 4 || c[i] < 0) {
                shape = true;
                continue;
            }
            if (r[0] < 0 || r[1] < 0 || static_cast<long long>(r[0]) + r[2] > image->width ||
                static_cast<long long>(r[1]) + r[3] > image->height)
                return Error("Image rectangle out of bounds");
            layer->mCharData[c[i]].mImageRect = Rect(r[0], r[1], r[2], r[3]);
        }
        int tallest = 0;
        for (const CharData& d : layer->mCharData) tallest = std::max(tallest, d.mImageRect.height + d.mOffsetY);
        layer->mDefaultHeight = tallest;
        return shape ? Error(kBadType) : true;
    }
    // LAYERSETCHAROFFSETS
    for (std::size_t i = 0; i < c.size(); ++i) {
        std::vector<int> o;
        if (!DataToIntVector(*list.mElementVector[i], &o) || o.size() != 2 || c[i] < 0) {
            shape = true;
            continue;
        }
        layer->mCharData[c[i]].mOffsetX = o[0];
        layer->mCharData[c[i]].mOffsetY = o[1];
    }
    return shape ? Error(kBadType) : true;
}

bool FontData::LoadLegacy(Image* image, const std::string& metricsFileName) {
    if (mInitialized || !image) return false;
    if (mFontLayerMap.count("")) return false;
    mFontLayerList.emplace_back(this);
    FontLayer* layer = &mFontLayerList.back();
    mFontLayerMap[""] = layer;
    layer->mImage.AssignUnshared(image, false);
    layer->mDefaultHeight = image->height;
    layer->mAscent = image->height;

    orvek::File file;
    file.set_open_logged(false);
    if (!file.open(metricsFileName, orvek::open_mode::in | orvek::open_mode::binary)) return false;
    std::string bytes;
    char buf[4096];
    for (std::size_t n; (n = file.read(buf, sizeof buf)) != 0;) bytes.append(buf, n);
    mSourceFile = metricsFileName;

    std::istringstream in(bytes);
    int spaceWidth = 0, ascent = 0;
    in >> spaceWidth >> ascent;
    layer->mCharData[static_cast<unsigned char>(' ')].mWidth = spaceWidth;
    layer->mAscent = ascent;
    in.clear();
    long long x = 0;
    bool cut = false;
    for (;;) {
        char ch;
        if (!(in >> ch)) break;
        int width = 0;
        if (!(in >> width)) break;
        CharData& d = layer->mCharData[static_cast<unsigned char>(ch)];
        d.mWidth = width;
        // The rectangle stays inside the strip, whatever the widths add up to.
        const long long left = std::min<long long>(x, image->width);
        const long long right = std::min<long long>(x + std::max(width, 0), image->width);
        if (right - left < width) cut = true;
        d.mImageRect = Rect(static_cast<int>(left), 0, static_cast<int>(right - left), image->height);
        x += std::max(width, 0);
    }
    if (cut) Warn("the widths run past the strip image's " + std::to_string(image->width) + " pixels; cut there");
    for (int c = 'A'; c <= 'Z'; ++c)
        if (layer->mCharData[c].mWidth == 0 && layer->mCharData[c - 'A' + 'a'].mWidth != 0)
            mCharMap[c] = static_cast<uint8_t>(c - 'A' + 'a');
    for (int c = 'a'; c <= 'z'; ++c)
        if (layer->mCharData[c].mWidth == 0 && layer->mCharData[c - 'a' + 'A'].mWidth != 0)
            mCharMap[c] = static_cast<uint8_t>(c - 'a' + 'A');
    mInitialized = true;
    return true;
}

std::string GetPathFrom(const std::string& relPath, const std::string& dirIn) {
    if (relPath.size() >= 2 && relPath[1] == ':') return relPath;
    const char sep = (relPath.find('\\') != std::string::npos || dirIn.find('\\') != std::string::npos) ? '\\' : '/';
    std::string drive, dir = dirIn, rel = relPath;
    if (dir.size() >= 2 && dir[1] == ':') {
        drive = dir.substr(0, 2);
        dir = dir.substr(2);
    }
    if (!dir.empty() && !IsSeparator(dir.back())) dir += sep;
    while (!dir.empty()) {
        const std::size_t p = rel.find_first_of("\\/");
        if (p == std::string::npos) break;
        const std::string part = rel.substr(0, p);
        rel = rel.substr(p + 1);
        if (part == "..") {
            const std::string body = dir.substr(0, dir.size() - 1);
            const std::size_t last = body.find_last_of("\\/");
            const std::string lastPart = last == std::string::npos ? body : body.substr(last + 1);
            if (lastPart == "..")
                dir += std::string("..") + sep;
            else
                dir = last == std::string::npos ? std::string() : body.substr(0, last + 1);
        } else if (part == ".") {
        } else if (part.empty()) {
            dir = std::string(1, sep);
            break;
        } else {
            dir += part + sep;
            break;
        }
    }
    std::string result = drive + dir + rel;
    for (char& ch : result)
        if (IsSeparator(ch)) ch = sep;
    return result;
}

}  // namespace Vant
