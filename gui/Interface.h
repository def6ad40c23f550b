#pragma once
// The heads-up display laid over the play field: stage, score, lives,
// coins, the level-progress bar, the bonus word and the menu button. It
// keeps no game state; the desktop pushes every value in through setters.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ostrel/Control.h"

namespace orvek::ostrel {
class StringSpot;
class ImageSpot;
class ImageTextPushButton;
}  // namespace orvek::ostrel
namespace orvek::trelm::core {
class LevelPosition;
}

namespace orvek::trelm::gui {

class Interface : public orvek::ostrel::Control {
public:
    explicit Interface(orvek::ostrel::Control& parent);
    ~Interface() override;

    // The HUD takes no input itself; only its menu button does.
    orvek::ostrel::EventResult accepts(const orvek::ostrel::events::Event&) override {
        return orvek::ostrel::EventResult(false);
    }
    orvek::ostrel::EventResult handle(const orvek::ostrel::events::Event&) override {
        return orvek::ostrel::EventResult(false);
    }
    void draw(Vant::Graphics* g) override;

    // The position as shown (one-based numbers).
    void set_stage(const orvek::trelm::core::LevelPosition& stage);
    void set_score(std::uint32_t score);
    void set_lives(std::uint32_t lives);
    void set_coins(std::uint32_t coins);
    // Percent; above 100 counts as 100.
    void set_progress(std::uint32_t percent);
    // Every letter of the new word starts inactive.
    void set_word(const std::string& word);
    // An index outside the word is ignored.
    void activate_letter(std::size_t index);
    void clear_letters();
    void set_on_menu(std::function<void()> callback);

    const orvek::ostrel::StringSpot& stage_spot() const;
    const orvek::ostrel::StringSpot& score_spot() const;
    const orvek::ostrel::StringSpot& lives_spot() const;
    const orvek::ostrel::StringSpot& coins_spot() const;
    const orvek::ostrel::ImageSpot& progress_spot() const;
    const orvek::ostrel::ImageSpot& life_icon() const;
    const orvek::ostrel::ImageSpot& coin_icon() const;
    const std::string& word() const;
    const std::vector<bool>& letter_states() const;
    orvek::ostrel::ImageTextPushButton& menu_button() const;

    struct Impl_;

private:
    std::unique_ptr<Impl_> impl_;
};

}  // namespace orvek::trelm::gui
