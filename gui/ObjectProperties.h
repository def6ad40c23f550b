#pragma once
// What the presentation hangs on a logic object: the image it is drawn with
// and its shadow. They live with the object and are not saved with the
// game; a restored game gets them again from the renderer factory.
#include <memory>
#include <string>

#include "logic/Obj.h"

namespace orvek::trelm::gui {

class ObjectPropertyImage : public logic::ObjProperty {
public:
    static const char* const type_name;  // the key on the object

    // cel_from_rotation: the renderer picks the cel from the object's rotation.
    ObjectPropertyImage(std::string name, bool cel_from_rotation);
    ~ObjectPropertyImage() override;

    const std::string& name() const { return record_->name; }
    bool cel_from_rotation() const { return record_->cel_from_rotation; }

private:
    struct Record {
        std::string name;
        bool cel_from_rotation = false;
    };
    std::unique_ptr<Record> record_;
};

class ObjectPropertyShadow : public logic::ObjProperty {
public:
    static const char* const type_name;

    // Standing still at offset.
    ObjectPropertyShadow(std::string name, const Vector2& offset);
    // Moving from offset to second_offset at speed pixels a second.
    ObjectPropertyShadow(std::string name, const Vector2& offset, const Vector2& second_offset,
                         float speed);
    ~ObjectPropertyShadow() override;

    const std::string& name() const { return name_; }
    const Vector2& offset() const { return offset_; }
    const Vector2& second_offset() const { return second_offset_; }
    float speed() const { return speed_; }

private:
    std::string name_;
    Vector2 offset_, second_offset_;
    float speed_ = 0.0f;
};

// The object's property of that class, or null.
std::shared_ptr<ObjectPropertyImage> image_property(const logic::Obj& object);
std::shared_ptr<ObjectPropertyShadow> shadow_property(const logic::Obj& object);
// Replace any earlier property of the same class.
void attach_image_property(logic::Obj& object, const std::string& name, bool cel_from_rotation);
void attach_shadow_property(logic::Obj& object, const std::string& name, const Vector2& offset);
void attach_shadow_property(logic::Obj& object, const std::string& name, const Vector2& offset,
                            const Vector2& second_offset, float speed);

}  // namespace orvek::trelm::gui
