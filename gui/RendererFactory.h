#pragma once
// Makes a logic object visible: decides its images by kind, hangs the image
// and shadow properties on it, and appends its renderers to the owner's list.
#include <memory>

#include "gui/Renderer.h"

namespace orvek::trelm::gui {

class RendererFactory {
public:
    explicit RendererFactory(RendererOwner* owner) : owner_(owner) {}

    // Nothing for an object that is gone, an empty ball, or an object of no
    // visible kind.
    void create_renderers(const std::weak_ptr<logic::Obj>& object);
    // After a change of kind: the object's renderers leave the list and,
    // when it had any, it gets new ones (and new properties).
    void rebuild_renderers(logic::Obj* object);

private:
    template <class R, class... Args>
    std::shared_ptr<R> add(Args&&... args);
    void create_ball(const std::shared_ptr<logic::Obj>& object);
    void create_bonus(const std::shared_ptr<logic::Obj>& object);

    RendererOwner* owner_;
};

}  // namespace orvek::trelm::gui
