#include "gui/ObjectProperties.h"

namespace orvek::trelm::gui {

const char* const ObjectPropertyImage::type_name = "class orvek::trelm::gui::ObjectPropertyImage";
const char* const ObjectPropertyShadow::type_name = "class orvek::trelm::gui::ObjectPropertyShadow";

ObjectPropertyImage::ObjectPropertyImage(std::string name, bool cel_from_rotation)
    : record_(std::make_unique<Record>(Record{std::move(name), cel_from_rotation})) {}

ObjectPropertyImage::~ObjectPropertyImage() = default;

ObjectPropertyShadow::ObjectPropertyShadow(std::string name, const Vector2& offset)
    : ObjectPropertyShadow(std::move(name), offset, offset, 0.0f) {}

ObjectPropertyShadow::ObjectPropertyShadow(std::string name, const Vector2& offset,
                                           const Vector2& second_offset, float speed)
    : name_(std::move(name)), offset_(offset), second_offset_(second_offset), speed_(speed) {}

ObjectPropertyShadow::~ObjectPropertyShadow() = default;

std::shared_ptr<ObjectPropertyImage> image_property(const logic::Obj& object) {
    return std::dynamic_pointer_cast<ObjectPropertyImage>(object.property(ObjectPropertyImage::type_name));
}

std::shared_ptr<ObjectPropertyShadow> shadow_property(const logic::Obj& object) {
    return std::dynamic_pointer_cast<ObjectPropertyShadow>(object.property(ObjectPropertyShadow::type_name));
}

void attach_image_property(logic::Obj& object, const std::string& name, bool cel_from_rotation) {
    object.set_property(ObjectPropertyImage::type_name, std::make_shared<ObjectPropertyImage>(name, cel_from_rotation));
}

void attach_shadow_property(logic::Obj& object, const std::string& name, const Vector2& offset) {
    object.set_property(ObjectPropertyShadow::type_name, std::make_shared<ObjectPropertyShadow>(name, offset));
}

void attach_shadow_property(logic::Obj& object, const std::string& name, const Vector2& offset,
                            const Vector2& second_offset, float speed) {
    object.set_property(ObjectPropertyShadow::type_name,
                        std::make_shared<ObjectPropertyShadow>(name, offset, second_offset, speed));
}

}  // namespace orvek::trelm::gui
