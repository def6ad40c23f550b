// The application's settings in the settings store, under
// "SOFTWARE\" + the registry key.
#include <cmath>
#include <cstring>

#include "framework/app/DemoExchanges.h"
#include "framework/app/VantAppBase.h"

namespace Vant {

namespace {

// A value name with "\" names a sub-key: the part before the last "\".
void SplitName(const std::string& regKey, const std::string& name, std::string* key, std::string* value) {
    *key = "SOFTWARE\\" + regKey;
    const std::size_t sep = name.rfind('\\');
    if (sep == std::string::npos) {
        *value = name;
    } else {
        *key += "\\" + name.substr(0, sep);
        *value = name.substr(sep + 1);
    }
}

// Volumes are stored in whole hundredths, cut down as always (0.855 is 85)
// but past the representation error of the product: 0.29 x 100 is
// 28.999..., and a plain cut turned a stored 29 into 28 on every run.
std::uint32_t VolumeToStored(double v) {
    if (!(v > 0.0)) return 0;
    if (v > 1.0) v = 1.0;
    return static_cast<std::uint32_t>(std::floor(v * 100.0 + 1e-6));
}

double StoredToVolume(std::uint32_t k) { return std::min(k * 0.01, 1.0); }

}  // namespace

// Both take part in demos: recorded while recording, answered from the
// demo while playing, when the store is not touched.
bool VantAppBase::RegistryWrite(const std::string& name, std::uint32_t type, const void* data, std::uint32_t size) {
    if (mRegKey.empty()) return false;
    return DemoRegistryWrite(DemoState(), [&] { return RegistryWriteLive(name, type, data, size); });
}

bool VantAppBase::RegistryRead(const std::string& name, std::uint32_t* type, void* data, std::uint32_t* size) {
    if (mRegKey.empty()) return false;
    const std::uint32_t room = *size;
    return DemoRegistryRead(
        DemoState(),
        [&](std::uint32_t* t, std::vector<std::uint8_t>* bytes) {
            bytes->resize(room);
            std::uint32_t got = room;
            if (!RegistryReadLive(name, t, bytes->data(), &got)) return false;
            bytes->resize(got);
            return true;
        },
        type, data, size);
}

bool VantAppBase::RegistryEraseValue(const std::string& name) {
    if (mRegKey.empty() || mPlayingDemo) return false;
    std::string key, value;
    SplitName(mRegKey, name, &key, &value);
    return mHost->SettingsErase(key, value);
}

bool VantAppBase::WriteRegistryString(const std::string& name, const std::string& text) {
    return RegistryWrite(name, kRegSz, text.data(), static_cast<std::uint32_t>(text.size()));
}

bool VantAppBase::RegistryWriteDword(const std::string& name, std::uint32_t value) {
    return RegistryWrite(name, kRegDword, &value, sizeof value);
}

bool VantAppBase::RegistryReadDword(const std::string& name, std::uint32_t* value) {
    std::uint32_t type = 0, size = sizeof *value, v = 0;
    if (!RegistryRead(name, &type, &v, &size) || type != kRegDword || size != sizeof v) return false;
    *value = v;
    return true;
}

void VantAppBase::ReadFromRegistry() {
    mReadFromRegistry = true;
    if (auto it = mStringProperties.find("RegistryKey"); it != mStringProperties.end()) mRegKey = it->second;

    std::uint32_t v = 0;
    if (RegistryReadDword("MusicVolume", &v)) mMusicVolume = StoredToVolume(v);
    if (RegistryReadDword("SfxVolume", &v)) mSfxVolume = StoredToVolume(v);
    if (RegistryReadDword("Muted", &v)) mMuteCount = v != 0 ? 1 : 0;
    if (RegistryReadDword("ScreenMode", &v)) mIsWindowed = v == 0;
    if (RegistryReadDword("PreferredX", &v)) mPreferredX = static_cast<int>(v);
    if (RegistryReadDword("PreferredY", &v)) mPreferredY = static_cast<int>(v);
    if (RegistryReadDword("CustomCursors", &v)) {
        mCustomCursorsEnabled = v != 0;
        ApplyCursor();
    }
    if (RegistryReadDword("WaitForVSync", &v)) mWaitForVSync = v != 0;
    if (RegistryReadDword("InProgress", &v)) mLastShutdownWasGraceful = v == 0;
    if (!mIsScreenSaver) RegistryWriteDword("InProgress", 1);
}

void VantAppBase::WriteToRegistry() {
    RegistryWriteDword("MusicVolume", VolumeToStored(mMusicVolume));
    RegistryWriteDword("SfxVolume", VolumeToStored(mSfxVolume));
    RegistryWriteDword("Muted", mMuteCount > mAutoMuteCount ? 1 : 0);
    RegistryWriteDword("ScreenMode", mIsWindowed ? 0 : 1);
    RegistryWriteDword("PreferredX", static_cast<std::uint32_t>(mPreferredX));
    RegistryWriteDword("PreferredY", static_cast<std::uint32_t>(mPreferredY));
    RegistryWriteDword("CustomCursors", mCustomCursorsEnabled ? 1 : 0);
    RegistryWriteDword("InProgress", 0);
    RegistryWriteDword("WaitForVSync", mWaitForVSync ? 1 : 0);
}

}  // namespace Vant
