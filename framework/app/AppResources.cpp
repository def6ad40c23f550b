// The application's image files and shared images.
#include "framework/app/Common.h"
#include "framework/app/VantAppBase.h"
#include "framework/graphics/ImageLib.h"
#include "framework/graphics/MemoryImage.h"

namespace Vant {

SharedImageRef VantAppBase::OpenSharedImage(const std::string& file, const std::string& variant, bool* isNew) {
    SharedImageRef ref;
    SharedImage* shared;
    bool created;
    {
        ScopedLock lock(mCritSect);
        auto [it, inserted] = mSharedImageMap.try_emplace({ToUpperCopy(file), ToUpperCopy(variant)});
        shared = &it->second;
        created = inserted;
        ref = shared;
    }
    if (created) {
        // Opened outside the lock: reading a file may take a while.
        if (file.empty() || file[0] != '!') {
            shared->image.reset(GetImage(file, false));
        } else {
            shared->image = std::make_unique<MemoryImage>(this);
        }
    }
    if (isNew) *isNew = created;
    return ref;
}

void VantAppBase::CleanSharedImages() {
    ScopedLock lock(mCritSect);
    if (!mCleanupSharedImages) return;
    for (auto it = mSharedImageMap.begin(); it != mSharedImageMap.end();) {
        if (it->second.refCount == 0)
            it = mSharedImageMap.erase(it);
        else
            ++it;
    }
    mCleanupSharedImages = false;
}

}  // namespace Vant
