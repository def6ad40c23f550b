#pragma once
// The 3D device in software. Textures keep their own-format texels for
// locking and an ARGB copy at the format's precision for the rasteriser.
// Blending with source alpha over inverse source alpha is the rasteriser's
// own; the additive pairs (source alpha or one, onto one) are drawn into a
// black scratch over the primitive's bounds and added to the target with
// saturation in the target's precision. Line strips are drawn here, one
// pixel wide. Headless by nature, so tests use it as it is; the controls
// below let them fail a step, record what was drawn or break the blend.
#include <map>
#include <memory>
#include <vector>

#include "platform/Device3D.h"

namespace plat {

class SoftwareDevice3D : public Device3D {
public:
    // Raised with every change of the drawing code, so that a cached
    // capability verdict made on an older device is not trusted.
    static constexpr int kVersion = 1;
    static constexpr const char* kDescription = "Software 3D device";

    SoftwareDevice3D();
    ~SoftwareDevice3D() override;

    // --- Test controls.
    Device3DCaps caps;
    std::uint32_t formatMask = kTexArgb8888 | kTexArgb4444 | kTexRgb565 | kTexPal8;
    std::uint32_t videoMemory = 256u << 20;
    enum class Step { SetRenderTarget, BeginScene, CreateTexture, Lock, DrawPrimitive, SetTexture, Clear };
    // The call of step (0 = the next one) that returns result instead of
    // doing its work.
    void FailStep(Step step, HResult result, int callsToSkip = 0);
    // Replaces the blend pair set by render states (0: no override).
    std::uint32_t forceSrcBlend = 0, forceDestBlend = 0;
    // Every DrawPrimitive, when record is set.
    struct Call {
        Primitive type;
        std::vector<Vertex3D> vertices;
        bool textured;
    };
    bool record = false;
    std::vector<Call> calls;
    int scenesBegun = 0;

    // --- Device3D.
    HResult GetIdentity(AdapterIdentity* out) override;
    HResult GetAvailableVidMem(std::uint32_t* total, std::uint32_t* free) override;
    HResult GetCaps(Device3DCaps* out) override;
    HResult EnumTextureFormats(std::vector<TexturePixelFormat>* out) override;
    HResult CreateTexture(int width, int height, TextureFormat format, std::shared_ptr<Texture3D>* out) override;
    HResult SetRenderTarget(const std::shared_ptr<Surface>& target) override;
    HResult SetViewport(int x, int y, int width, int height) override;
    HResult Clear(std::uint32_t color) override;
    HResult BeginScene() override;
    HResult EndScene() override;
    bool InScene() const override { return inScene_; }
    HResult SetRenderState(RenderState state, std::uint32_t value) override;
    HResult SetTextureStageState(StageState state, std::uint32_t value) override;
    HResult SetTexture(const std::shared_ptr<Texture3D>& texture) override;
    HResult DrawPrimitive(Primitive type, const Vertex3D* vertices, int count) override;

    std::uint32_t RenderStateValue(RenderState state) const;
    std::uint32_t StageStateValue(StageState state) const;

    // Fault plan and texture memory, shared with the textures.
    struct Shared;

private:
    struct Target;
    void DrawTriangles(Target& t, const Vertex3D* v, int count, Primitive type);
    void DrawLines(Target& t, const Vertex3D* v, int count);

    std::shared_ptr<Shared> shared_;
    std::shared_ptr<Surface> target_;
    std::shared_ptr<Texture3D> texture_;
    int vpX_ = 0, vpY_ = 0, vpW_ = 0, vpH_ = 0;
    bool viewportSet_ = false;
    bool inScene_ = false;
    std::map<RenderState, std::uint32_t> renderStates_;
    std::map<StageState, std::uint32_t> stageStates_;
    std::vector<std::uint32_t> scratch_;
};

}  // namespace plat
