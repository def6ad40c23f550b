#include "platform/headless/HeadlessDisplay.h"

namespace plat::headless {

void HeadlessDisplay::FailStep(Step step, HResult result, int callsToSkip) {
    faults_[step] = {callsToSkip, result};
}

HResult HeadlessDisplay::Fault(Step step) {
    auto it = faults_.find(step);
    if (it == faults_.end()) return res::DD_OK;
    if (it->second.skip > 0) {
        --it->second.skip;
        return res::DD_OK;
    }
    const HResult r = it->second.result;
    faults_.erase(it);
    return r;
}

void HeadlessDisplay::LoseSurfaces() {
    for (auto& w : made_)
        if (auto s = w.lock()) s->MarkLost();
}

PixelFormat HeadlessDisplay::CurrentFormat() const {
    if (!exclusive || forceDesktopFormat || modeBpp == 0) return desktop;
    return modeBpp == 16 ? kFormat565 : kFormat888;
}

HResult HeadlessDisplay::Create() {
    if (HResult r = Fault(Step::Create); Failed(r)) return r;
    created_ = true;
    return res::DD_OK;
}

HResult HeadlessDisplay::QueryLegacyInterface() {
    if (!created_) return res::DDERR_NOTINITIALIZED;
    return Fault(Step::QueryLegacy);
}

HResult HeadlessDisplay::SetCooperativeLevel(WindowHandle w, bool excl) {
    if (!created_) return res::DDERR_NOTINITIALIZED;
    if (HResult r = Fault(Step::CooperativeLevel); Failed(r)) return r;
    window = w;
    exclusive = excl;
    if (!excl) modeWidth = modeHeight = modeBpp = 0;
    return res::DD_OK;
}

HResult HeadlessDisplay::SetDisplayMode(int width, int height, int bpp) {
    if (!created_) return res::DDERR_NOTINITIALIZED;
    if (!exclusive) return res::DDERR_NOEXCLUSIVEMODE;
    if (HResult r = Fault(Step::DisplayMode); Failed(r)) return r;
    if (width <= 0 || height <= 0 || (bpp != 16 && bpp != 32)) return res::DDERR_UNSUPPORTEDMODE;
    modeWidth = width;
    modeHeight = height;
    modeBpp = bpp;
    return res::DD_OK;
}

HResult HeadlessDisplay::CreatePrimary(bool withBackBuffer, std::shared_ptr<Surface>* out) {
    if (!out) return res::DDERR_INVALIDPARAMS;
    if (!created_) return res::DDERR_NOTINITIALIZED;
    if (HResult r = Fault(Step::Primary); Failed(r)) return r;
    const PixelFormat f = CurrentFormat();
    // A flipping chain exists only in the depths the display can show.
    if (exclusive && f.bpp != 16 && f.bpp != 32) return res::DDERR_INVALIDPIXELFORMAT;
    const bool full = exclusive && modeBpp != 0;
    const int w = full ? modeWidth : clientWidth, h = full ? modeHeight : clientHeight;
    primary = std::make_shared<Surface>(w, h, f, MemoryKind::Video);
    primary->SetRole(true, false);
    backBuffer.reset();
    if (withBackBuffer) {
        backBuffer = std::make_shared<Surface>(w, h, f, MemoryKind::Video);
        backBuffer->SetRole(false, true);
        made_.push_back(backBuffer);
    }
    made_.push_back(primary);
    ++surfacesCreated;
    *out = primary;
    return res::DD_OK;
}

HResult HeadlessDisplay::GetBackBuffer(std::shared_ptr<Surface>* out) {
    if (!out) return res::DDERR_INVALIDPARAMS;
    if (HResult r = Fault(Step::BackBuffer); Failed(r)) return r;
    if (!backBuffer) return res::DDERR_NOTFOUND;
    *out = backBuffer;
    return res::DD_OK;
}

HResult HeadlessDisplay::CreateSurface(int width, int height, MemoryKind kind, std::shared_ptr<Surface>* out) {
    if (!out) return res::DDERR_INVALIDPARAMS;
    if (!created_) return res::DDERR_NOTINITIALIZED;
    if (HResult r = Fault(Step::Surface); Failed(r)) return r;
    if (width <= 0 || height <= 0) return res::DDERR_INVALIDPARAMS;
    auto s = std::make_shared<Surface>(width, height, CurrentFormat(), kind);
    made_.push_back(s);
    ++surfacesCreated;
    *out = std::move(s);
    return res::DD_OK;
}

HResult HeadlessDisplay::CreateClipper(std::shared_ptr<Clipper>* out) {
    if (!out) return res::DDERR_INVALIDPARAMS;
    if (HResult r = Fault(Step::Clipper); Failed(r)) return r;
    *out = std::make_shared<Clipper>();
    return res::DD_OK;
}

HResult HeadlessDisplay::SetClipper(const std::shared_ptr<Clipper>& clipper) {
    if (HResult r = Fault(Step::SetClipper); Failed(r)) return r;
    if (!primary) return res::DDERR_INVALIDOBJECT;
    attachedClipper = clipper;
    return res::DD_OK;
}

HResult HeadlessDisplay::GetMonitorFrequency(int* hz) {
    if (!hz) return res::DDERR_INVALIDPARAMS;
    if (HResult r = Fault(Step::MonitorFrequency); Failed(r)) return r;
    *hz = refreshHz;
    return res::DD_OK;
}

HResult HeadlessDisplay::GetScanLine(int*) { return res::DDERR_UNSUPPORTED; }

HResult HeadlessDisplay::Present(const Rect* rect) {
    if (HResult r = Fault(Step::Present); Failed(r)) return r;
    if (!primary) return res::DDERR_NOTINITIALIZED;
    if (HResult r = primary->IsLost(); Failed(r)) return r;
    primary->TakeChanged(nullptr);
    presents.push_back(rect ? *rect : Rect{0, 0, primary->Width(), primary->Height()});
    return res::DD_OK;
}

HResult HeadlessDisplay::Flip() {
    if (HResult r = Fault(Step::Flip); Failed(r)) return r;
    if (!primary || !backBuffer) return res::DDERR_NOFLIPHW;
    if (HResult r = primary->IsLost(); Failed(r)) return r;
    // What was drawn into the back buffer becomes the picture.
    if (HResult r = primary->Blt(nullptr, *backBuffer, nullptr, 0); Failed(r)) return r;
    ++flips;
    return res::DD_OK;
}

void HeadlessDisplay::Release() {
    ++releases;
    primary.reset();
    backBuffer.reset();
    attachedClipper.reset();
    created_ = false;
    exclusive = false;
    modeWidth = modeHeight = modeBpp = 0;
}

}  // namespace plat::headless
