#include "gui/Autosave.h"

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

namespace orvek::trelm::gui {

namespace {

const LogChannel& autosave_log() {
    static const LogChannel channel("Trelm.Autosave", log_error_flag);
    return channel;
}

}  // namespace

void write_autosave(core::Session& session, const logic::Game& game) {
    core::CampaignPlayer& player = campaign_player(session);
    const std::string path = session.autosave_path();
    const core::LevelPosition position = player.position();
    {
        io::SafeOFStream out(path);
        out << autosave_version;
        position.save(out);
        game.save(out);
        out.commit();
    }
    player.resume_score() = std::uint32_t(game.points());
    player.resume_position() = core::LevelPosition(position.level() + 1, position.sub_level() + 1);
    if (core::Profiles* profiles = session.profiles()) profiles->save();
}

bool read_autosave_position(io::IStream& in, core::Levels& levels, core::LevelPosition& position, std::string& why) {
    std::uint8_t version = 0;
    in >> version;
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
    if (version != 1) {
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

void refuse_autosave(const std::string& path, const std::string& why) {
    core::keep_aside(path, autosave_log());
    orvek::delete_file(path);
    autosave_log() << "Autosave " << path << " refused: " << why << std::endl;
}

}  // namespace orvek::trelm::gui
