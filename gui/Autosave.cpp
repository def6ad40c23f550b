#include "gui/Autosave.h"

#include <fstream>
#include <iterator>

#include "core/CampaignPlayer.h"
#include "core/LevelPosition.h"
#include "core/Levels.h"
#include "core/Profiles.h"
#include "core/SaveFiles.h"
#include "core/Session.h"
#include "gui/LevelBuilder.h"
#include "logic/Game.h"
#include "orvek/File.h"
#include "orvek/Log.h"
#include "orvek/io/FileStream.h"
#include "orvek/io/Stream.h"

namespace orvek::trelm::gui {

namespace {

const LogChannel& autosave_log() {
    static const LogChannel channel("Trelm.Autosave", log_error_flag);
    return channel;
}

}  // namespace

void write_autosave(core::Session& session, const logic::Game& game, const MedalGridRecord& medals) {
    core::CampaignPlayer& player = campaign_player(session);
    const std::string path = session.autosave_path();
    const core::LevelPosition position = player.position();
    {
        io::SafeOFStream out(path);
        out << autosave_version;
        position.save(out);
        game.save(out);
        medals.save(out);
        out.commit();
    }
    player.resume_score() = std::uint32_t(game.points());
    player.resume_position() = core::LevelPosition(position.level() + 1, position.sub_level() + 1);
    if (core::Profiles* profiles = session.profiles()) profiles->save();
}

bool read_autosave_position(io::IStream& in, core::Levels& levels, core::LevelPosition& position, std::string& why,
                            std::uint8_t* version_read) {
    std::uint8_t version = 0;
    in >> version;
    if (version_read) *version_read = version;
    if (version == 0) {
        std::string id;
        in.read_string(id);
        for (unsigned l = 0; l < levels.size(); ++l) {
            const core::LevelDescriptor& level = levels.get(l);
            for (unsigned s = 0; s < level.size(); ++s)
                if (level.get(s).id() == id) {
                    position.set(l, s);
                    return true;
                }
        }
        why = "no sub-level has the id '" + id + "'";
        return false;
    }
    if (version != 1 && version != 2) {
        why = "unknown version " + std::to_string(version);
        return false;
    }
    core::LevelPosition read;
    read.load(in);
    if (read.level() >= levels.size() || read.sub_level() >= levels.get(read.level()).size()) {
        why = "the position " + read.to_string() + " lies outside the levels";
        return false;
    }
    position = read;
    return true;
}

AutosaveReader::AutosaveReader(std::string bytes) : bytes_(std::move(bytes)) {}

AutosaveReader::~AutosaveReader() = default;

bool AutosaveReader::open(core::Levels& levels, std::string& why) {
    std::size_t game_end = bytes_.size();
    {
        std::stringbuf front(bytes_);
        io::IStream in(&front);
        in.exceptions(0);
        in.read_header();
        if (!read_autosave_position(in, levels, position_, why, &version_)) return false;
        const auto game_at = front.pubseekoff(0, std::ios_base::cur, std::ios_base::in);
        if (!in.good() || game_at < 0) {
            why = "it ends before the game";
            return false;
        }
        if (version_ >= 2) {
            if (bytes_.size() < std::size_t(game_at) + MedalGridRecord::bytes) {
                why = "it has no room for its medal grid";
                return false;
            }
            game_end = bytes_.size() - MedalGridRecord::bytes;
            std::stringbuf tail(bytes_.substr(game_end));
            io::IStream grid(&tail);
            grid.exceptions(0);
            MedalGridRecord record;
            record.load(grid);
            if (!grid.good()) {
                why = "its medal grid does not load";
                return false;
            }
            medals_ = record;
        }
    }
    // The game's stream reads the header and the front again, so that its
    // objects are read as the writer's stream wrote them; it ends where the
    // grid begins.
    buf_.str(bytes_.substr(0, game_end));
    game_ = std::make_unique<io::IStream>(&buf_);
    game_->read_header();
    core::LevelPosition again;
    std::string ignored;
    read_autosave_position(*game_, levels, again, ignored);
    return true;
}

bool read_file_bytes(const std::string& path, std::string& bytes) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    bytes.assign(std::istreambuf_iterator<char>(f), {});
    return !f.bad();
}

void refuse_autosave(const std::string& path, const std::string& why) {
    core::keep_aside(path, autosave_log());
    orvek::delete_file(path);
    autosave_log() << "Autosave " << path << " refused: " << why << std::endl;
}

}  // namespace orvek::trelm::gui
