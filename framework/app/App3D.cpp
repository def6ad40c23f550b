// The application's side of 3D: the software device and the capability
// test's settings handed to the display, the verdict, dropping an image's
// texture data, and the question about 3D trouble at the end.
#include <memory>

#include "framework/app/VantAppBase.h"
#include "framework/graphics/DDInterface.h"
#include "platform/SoftwareDevice3D.h"

namespace Vant {

void VantAppBase::Configure3D(DDInterface& display) {
    if (!mDevice3D) mDevice3D = std::make_unique<plat::SoftwareDevice3D>();
    display.device3D = mDevice3D.get();
    auto& t = display.test3D;
    t.wantTest = mTest3D;
    t.auto3D = mAutoEnable3D;
    t.minVidMemory = mMinVidMemory3D;
    t.recVidMemory = mRecVidMemory3D;
    t.readValue = [this](const std::string& name, std::uint32_t* type, void* data, std::uint32_t* size) {
        return RegistryReadLive("Test3D\\" + name, type, data, size);
    };
    t.writeValue = [this](const std::string& name, std::uint32_t type, const void* data, std::uint32_t size) {
        return RegistryWriteLive("Test3D\\" + name, type, data, size);
    };
    // The test's own key is not part of a demo; its verdict is.
    t.isPlayingDemo = [this] { return mPlayingDemo; };
    t.demoExchange = [this](std::string& failure, std::string& warning, bool& isNew) {
        failure = SyncStringThroughDemo(failure);
        warning = SyncStringThroughDemo(warning);
        isNew = SyncBoolThroughDemo(isNew);
    };
    // The picture the game keeps on screen stands in for the desktop's
    // frame buffer in the memory count, at 32 bits.
    t.desktopWidth = mWidth;
    t.desktopHeight = mHeight;
    t.desktopFormat = plat::kFormat888;
    display.d3d.isMinimised = [this] { return mMinimized; };
    display.d3d.writeRegistryString = [this](const std::string& name, const std::string& value) {
        if (!mPlayingDemo) RegistryWriteLive(name, kRegSz, value.data(), static_cast<std::uint32_t>(value.size()));
    };
}

bool VantAppBase::Is3DSupported() const {
    const DDInterface* dd = GetDDInterface();
    return dd && dd->tester && dd->tester->failureReason.empty();
}

bool VantAppBase::Is3DRecommended() const {
    const DDInterface* dd = GetDDInterface();
    return Is3DSupported() && dd->tester->warning.empty();
}

void VantAppBase::Remove3DData(MemoryImage* image) {
    if (DDInterface* dd = GetDDInterface()) dd->d3d.Remove3DData(image);
}

bool VantAppBase::AskKeep3DAfterProblems() {
    if (!D3DInterface::renderTargetLost) return true;
    const int answer = MsgBox("Hardware Acceleration may not have been working correctly during this session.\r\n"
                              "If you noticed graphics problems, you may want to turn off Hardware Acceleration.\r\n"
                              "Would you like to keep Hardware Acceleration switched on?",
                              mTitlePrefix + " Hardware Acceleration Confirmation", mb::kYesNo | mb::kIconQuestion);
    return answer != mb::kIdNo;
}

}  // namespace Vant
