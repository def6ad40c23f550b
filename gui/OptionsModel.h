#pragma once
// The five user settings the options screen edits: read from the
// configuration when made, volumes heard at once, everything applied and
// stored on apply.
#include <memory>

namespace orvek::trelm {

class OptionsModel {
public:
    // The owner is kept for the owner's sake only. Making the model applies
    // both stored volumes.
    static std::unique_ptr<OptionsModel> create(const void* owner);
    explicit OptionsModel(const void* owner);

    const void* owner() const { return owner_; }

    bool full_screen() const { return full_screen_; }
    bool acceleration_3d() const { return acceleration_3d_; }
    bool custom_cursors() const { return custom_cursors_; }
    void set_full_screen(bool on) { full_screen_ = on; }
    void set_acceleration_3d(bool on) { acceleration_3d_ = on; }
    void set_custom_cursors(bool on) { custom_cursors_ = on; }

    int sound_volume() const { return sound_volume_; }
    int music_volume() const { return music_volume_; }
    // Stored clamped to 0..100 and heard at once.
    void set_sound_volume(int percent);
    void set_music_volume(int percent);

    // Puts back the volumes the model was made with, so what is heard after
    // a cancel matches what is stored.
    void restore_volumes();

    // Switches the display only when full screen or 3D changed, always
    // re-applies the cursor flag, writes the five keys and saves the
    // configuration file at once, so the choice survives a crash.
    void apply();

private:
    const void* owner_;
    bool full_screen_ = false;
    bool acceleration_3d_ = true;
    bool custom_cursors_ = false;
    int sound_volume_ = 50;
    int music_volume_ = 50;
    int opening_sound_volume_ = 50;
    int opening_music_volume_ = 50;
};

}  // namespace orvek::trelm
