#include "gui/LevelBuilder.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <stdexcept>

#include "core/CampaignPlayer.h"
#include "core/LevelDescriptor.h"
#include "core/LevelPosition.h"
#include "core/Levels.h"
#include "core/Session.h"
#include "core/SubLevelDescriptor.h"
#include "framework/graphics/DDImage.h"
#include "framework/graphics/MemoryImage.h"
#include "gui/Autosave.h"
#include "gui/DataPath.h"
#include "logic/Obj.h"
#include "logic/Way.h"
#include "orvek/Exception.h"
#include "orvek/io/FileStream.h"
#include "ostrel/gui/Skin.h"

namespace orvek::trelm::gui {

namespace {

constexpr const char* background_folder = "data/Gui/Backgrounds/";
constexpr const char* sprite_folder = "data/Gui/Sprites/";
constexpr const char* shift_node = "menu/game/background_shift";
// The smallest way geometry record: version, count and three anchors.
constexpr std::uint64_t smallest_record = 1 + 4 + 3 * 12;

using ImagePtr = std::shared_ptr<Vant::Image>;

// A still image that keeps its own (unshared) image alive.
class HeldImageRenderer : public ImageRenderer {
public:
    HeldImageRenderer(RendererOwner* owner, const ImagePtr& image, int layer, int x, int y)
        : ImageRenderer(owner, reference(image), layer, x, y), held_(image) {}

private:
    static Vant::SharedImageRef reference(const ImagePtr& image) {
        Vant::SharedImageRef ref;
        ref.AssignUnshared(image.get(), false);
        return ref;
    }
    ImagePtr held_;
};

// A private copy of an image's pixels, of the same kind when it is a
// display image, so a change never reaches the skin's cache or another user.
std::shared_ptr<Vant::MemoryImage> copy_image(Vant::MemoryImage& source) {
    std::shared_ptr<Vant::MemoryImage> copy;
    if (auto* dd = dynamic_cast<Vant::DDImage*>(&source)) copy = std::make_shared<Vant::DDImage>(dd->ddInterface);
    else copy = std::make_shared<Vant::MemoryImage>();
    copy->SetBits(source.GetBits(), source.width, source.height);
    copy->numRows = source.numRows;
    copy->numCols = source.numCols;
    return copy;
}

std::uint64_t remaining_bytes(io::IStream& in) {
    std::streambuf* buf = in.rdbuf();
    if (!buf) return 0;
    const auto here = buf->pubseekoff(0, std::ios_base::cur, std::ios_base::in);
    const auto end = buf->pubseekoff(0, std::ios_base::end, std::ios_base::in);
    if (here == std::streampos(-1) || end == std::streampos(-1)) return std::numeric_limits<std::uint64_t>::max();
    buf->pubseekpos(here, std::ios_base::in);
    return end > here ? std::uint64_t(end - here) : 0;
}

[[noreturn]] void cannot_load(const char* message, const char* function, const char* source) {
    report_and_throw(ThrowLocation{source, 0, function},
                     Exception(TextualErrorInfo(message, std::string(function) + " (" + source + ")")));
}

}  // namespace

// ---------------------------------------------------------------- owner

bool LevelBuilderOwner::restore_autosave(SimpleGameCreator& builder, logic::GameSetup& setup) {
    core::Session& s = session();
    core::CampaignPlayer& player = campaign_player(s);
    const std::string path = s.autosave_path();
    const core::LevelPosition before = player.position();
    bool scene_built = false;
    std::string why;
    try {
        std::string bytes;
        if (!read_file_bytes(path, bytes)) throw io::Failure("The file cannot be read.");
        AutosaveReader file(std::move(bytes));
        if (file.open(s.levels(), why)) {
            player.position() = file.position();
            scene_built = true;
            builder.setup_scene(setup);
            if (setup.game->load(file.game())) {
                restore_medals(file.medals() ? &*file.medals() : nullptr);
                return true;
            }
            why = "the game does not load";
        }
    } catch (const std::exception& e) {
        why = e.what();
    }
    player.position() = before;
    if (scene_built) {
        renderers().clear();
        set_background(nullptr);
        set_portal_pairs({});
    }
    refuse_autosave(path, why);
    return false;
}

// ---------------------------------------------------------------- reading

std::vector<logic::WayGeometry> read_way_records(io::IStream& in, bool contour, const char* message) {
    std::vector<logic::WayGeometry> ways;
    std::uint8_t version = 0;
    in >> version;
    std::uint32_t count = 1;
    if (!contour) in >> count;
    if (in.fail()) throw io::Failure(message);
    // Nothing is reserved from the count: each record must still fit in
    // what the stream holds.
    if (std::uint64_t(count) * smallest_record > remaining_bytes(in)) throw Exception(TextualErrorInfo(message));
    for (std::uint32_t i = 0; i < count; ++i) {
        logic::WayGeometry geometry;
        geometry.load(in);
        if (in.fail()) throw io::Failure(message);
        ways.push_back(std::move(geometry));
    }
    return ways;
}

void fill_white_from_background(Vant::MemoryImage& sprite, int x, int y, Vant::MemoryImage& background, int bx,
                                int by) {
    std::uint32_t* bits = sprite.GetBits();
    const std::uint32_t* under = background.GetBits();
    if (!bits || !under) return;
    const long bw = background.width, bh = background.height;
    for (int row = 0; row < sprite.height; ++row)
        for (int col = 0; col < sprite.width; ++col) {
            std::uint32_t& p = bits[std::size_t(row) * std::size_t(sprite.width) + std::size_t(col)];
            if (p != 0xFFFFFFFFu) continue;
            const long ux = long(col) + x - bx, uy = long(row) + y - by;
            if (ux < 0 || uy < 0 || ux >= bw || uy >= bh) continue;
            p = under[uy * bw + ux];
        }
    sprite.BitsChanged();
}

core::CampaignPlayer& campaign_player(core::Session& session) {
    auto profile = session.profile();
    std::shared_ptr<core::CampaignPlayer> player = profile ? profile->property<core::CampaignPlayer>() : nullptr;
    if (!player) throw std::runtime_error("No player with campaign progress is logged in.");
    return *player;
}

// ---------------------------------------------------------------- builder

struct SimpleGameCreator::Impl_ {
    LevelBuilderOwner* owner;
    logic::GameSetup* setup = nullptr;
    core::LevelDescriptor level;
    core::SubLevelDescriptor sub_level;

    // Clears the current setup however a step ends.
    struct Current {
        Impl_& impl;
        Current(Impl_& i, logic::GameSetup& s) : impl(i) { impl.setup = &s; }
        ~Current() { impl.setup = nullptr; }
    };

    explicit Impl_(LevelBuilderOwner* o) : owner(o) {}

    const core::SubLevelSettings& settings() const { return sub_level.settings(); }
    const core::SubLevelGraphics& graphics() const { return sub_level.graphics(); }
    ostrel::Skin* skin() const { return ostrel::Skin::instance(); }

    std::pair<int, int> shift() const {
        ostrel::Skin* s = skin();
        return s ? s->get_offset(shift_node) : std::pair<int, int>(0, 0);
    }

    void take_descriptors() {
        core::Session& session = owner->session();
        const core::LevelPosition position = campaign_player(session).position();
        level = session.levels().get(position.level());
        sub_level = level.get(position.sub_level());
    }

    ImagePtr load_file_image(const std::string& file) {
        ostrel::Skin* s = skin();
        return s ? s->load_image(file, true) : nullptr;
    }

    void set_background() { owner->set_background(load_file_image(background_folder + graphics().background_image())); }

    void set_sprites();
    void set_params();
    void set_ball_colors();
    void set_way_settings();
    void set_mission();
    void set_platform_line();
    void set_bonus_probabilities();
    void set_way();
    void set_contour();
    std::vector<logic::WayGeometry> read_file(const std::string& name, bool contour, const char* message,
                                              const char* function, const char* source);
};

void SimpleGameCreator::Impl_::set_sprites() {
    const core::SubLevelGraphics& g = graphics();
    for (unsigned i = g.frame_sprites_count(); i-- > 0;) {
        const core::Sprite& sprite = g.frame_sprite(i);
        if (ImagePtr image = load_file_image(sprite_folder + sprite.id()))
            owner->add_renderer(std::make_shared<HeldImageRenderer>(owner, image, sprite.level(), sprite.x(), sprite.y()));
    }
    const auto [dx, dy] = shift();
    for (unsigned i = g.sprites_count(); i-- > 0;) {
        const core::Sprite& sprite = g.sprite(i);
        ImagePtr image = load_file_image(sprite_folder + sprite.id());
        if (!image) continue;
        const int x = sprite.x() + dx, y = sprite.y() + dy;
        auto* memory = dynamic_cast<Vant::MemoryImage*>(image.get());
        auto* under = dynamic_cast<Vant::MemoryImage*>(owner->background_image());
        if (memory && under) {
            // The image may be the skin's cached copy or shared by another
            // sprite: the merge goes into a copy of its own.
            auto copy = copy_image(*memory);
            fill_white_from_background(*copy, x, y, *under, background_x, background_y);
            image = copy;
        }
        owner->add_renderer(std::make_shared<HeldImageRenderer>(owner, image, sprite.level(), x, y));
    }
    ostrel::Skin* s = skin();
    for (unsigned i = g.animated_sprites_count(); i-- > 0;) {
        const core::AnimatedSprite& a = g.animated_sprite(i);
        const Vant::SharedImageRef image = s ? s->get_image(a.id) : Vant::SharedImageRef();
        owner->add_renderer(std::make_shared<SpotRenderer>(owner, image, Vector2(a.x + float(dx), a.y + float(dy)),
                                                           a.angle, Vector2(0.0f, 0.0f), Vector2(0.0f, 0.0f), 0.0f,
                                                           a.play_time, true, a.level, true, false));
    }
    std::vector<std::shared_ptr<PortalRenderManager>> pairs(g.portals_count());
    for (unsigned i = g.portals_count(); i-- > 0;) {
        core::PortalDescriptor d = g.portal_descriptor(i);
        for (core::AnimatedSprite* end : {&d.first, &d.second}) {
            end->x += float(dx);
            end->y += float(dy);
        }
        pairs[i] = make_portal_pair(owner, d.first, d.second);
    }
    owner->set_portal_pairs(std::move(pairs));
}

void SimpleGameCreator::Impl_::set_params() {
    const core::SubLevelSettings& s = settings();
    logic::GameParams p;
    p.storage = s.storage();
    p.bonus_balls_min = s.num_balls_for_bonus().first;
    p.bonus_balls_max = s.num_balls_for_bonus().second;
    p.coin_balls_min = s.num_balls_for_coin().first;
    p.coin_balls_max = s.num_balls_for_coin().second;
    p.coins_for_life = s.num_coins_for_life();
    p.time_block_shoot = s.time_block_shoot();
    p.desktop_width = graphics().desktop_lx();
    p.desktop_height = graphics().desktop_ly();
    setup->set_params(p);
}

void SimpleGameCreator::Impl_::set_ball_colors() {
    const unsigned n = settings().colors_count();
    std::vector<std::uint32_t> codes(n);
    codes.resize(settings().colors(codes.data(), n));
    setup->set_ball_colors(std::vector<std::int32_t>(codes.begin(), codes.end()));
}

void SimpleGameCreator::Impl_::set_way_settings() {
    const core::SubLevelSettings& s = settings();
    for (unsigned i = s.ways_count(); i-- > 0;) {
        logic::WaySettings copy = s.way_settings(i);
        copy.scale(field_scale);
        setup->set_way_settings(i, copy);
    }
    logic::Float3 speed = s.contour_settings();
    speed.speed *= field_scale;
    speed.max_speed *= field_scale;
    speed.acceleration *= field_scale;
    setup->set_contour_speed(speed);
}

void SimpleGameCreator::Impl_::set_mission() {
    setup->set_mission(std::make_shared<logic::Mission>(settings().num_balls_for_complete_level()));
}

void SimpleGameCreator::Impl_::set_platform_line() {
    const core::SubLevelGraphics& g = graphics();
    setup->set_platform_line(g.platform_position_y() + float(shift().second), g.platform_limit_left(),
                             g.platform_limit_right());
}

void SimpleGameCreator::Impl_::set_bonus_probabilities() {
    const unsigned n = settings().bonus_probabilities_count();
    std::vector<core::SubLevelSettings::BonusProbability> read(n);
    read.resize(settings().bonus_probabilities(read.data(), n));
    std::vector<std::pair<std::int32_t, float>> weights;
    for (const auto& [kind, weight] : read) weights.emplace_back(std::int32_t(kind), weight);
    setup->set_bonus_probabilities(weights);
}

std::vector<logic::WayGeometry> SimpleGameCreator::Impl_::read_file(const std::string& name, bool contour,
                                                                    const char* message, const char* function,
                                                                    const char* source) {
    // A file that cannot be opened or whose header does not read is named
    // by the message; what goes wrong after that raises under mask 13.
    io::IFStream in(data_file(name), orvek::open_mode::in, 0);
    if (in.fail()) cannot_load(message, function, source);
    in.exceptions(io::Stream::default_exceptions);
    std::vector<logic::WayGeometry> ways;
    try {
        ways = read_way_records(in, contour, message);
    } catch (const io::Failure&) {
        throw;
    } catch (const Exception&) {
        cannot_load(message, function, source);
    }
    const auto [dx, dy] = shift();
    for (auto& g : ways) {
        g.scale(field_scale, field_scale);
        g.translate(float(dx), float(dy));
    }
    return ways;
}

void SimpleGameCreator::Impl_::set_way() {
    for (const auto& g : read_file(graphics().way_file(), false, "Cannot load way file.",
                                   "orvek::trelm::gui::SimpleGameCreator::Impl_::set_way",
                                   "gui/SimpleGameCreator_Way"))
        setup->add_way(std::make_shared<logic::Way>(g));
}

void SimpleGameCreator::Impl_::set_contour() {
    const auto ways = read_file(graphics().contour_file(), true, "Cannot load way-contour file.",
                                "orvek::trelm::gui::SimpleGameCreator::Impl_::set_contour",
                                "gui/SimpleGameCreator_Contour");
    setup->set_contour(std::make_shared<logic::Way>(ways.front()));
}

SimpleGameCreator::SimpleGameCreator(LevelBuilderOwner* owner) : impl_(std::make_unique<Impl_>(owner)) {}

SimpleGameCreator::~SimpleGameCreator() = default;

void SimpleGameCreator::create(logic::GameSetup& setup) {
    core::Session& session = impl_->owner->session();
    core::CampaignPlayer& player = campaign_player(session);
    // The restored flag and the file's removal wait for a game that loaded.
    if (session.has_autosave() && impl_->owner->restore_autosave(*this, setup)) {
        setup.restored = true;
        session.remove_autosave();
        return;
    }
    player.statistics().clear();
    impl_->take_descriptors();
    setup_scene(setup);
    {
        Impl_::Current current(*impl_, setup);
        impl_->set_mission();
        impl_->set_platform_line();
        impl_->set_bonus_probabilities();
        impl_->set_way();
        impl_->set_contour();
    }
    if (player.has_carried_state()) setup.set_stats(player.carried_state());
    core::StatisticsRecord& stats = player.statistics();
    stats.clear();
    stats.set_coins_at_start(std::uint32_t(setup.coins()));
    stats.set_score_at_start(std::uint32_t(setup.points()));
    stats.set_time_mark(setup.time());
}

void SimpleGameCreator::setup_scene(logic::GameSetup& setup) {
    impl_->take_descriptors();
    Impl_::Current current(*impl_, setup);
    LevelBuilderOwner* owner = impl_->owner;
    setup.set_on_object_added([owner](std::weak_ptr<logic::Obj> o) { owner->object_added(std::move(o)); });
    setup.set_on_object_changed([owner](logic::Obj* o) { owner->object_changed(o); });
    setup.set_on_object_removed([](std::weak_ptr<logic::Obj>) {});
    setup.set_on_game_action([owner](logic::GameAction a) { owner->game_action(a); });
    setup.set_cursor_source([owner] { return owner->cursor_source(); });
    impl_->set_background();
    impl_->set_sprites();
    impl_->set_params();
    impl_->set_ball_colors();
    impl_->set_way_settings();
}

}  // namespace orvek::trelm::gui
