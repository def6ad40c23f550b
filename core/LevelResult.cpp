#include "core/LevelResult.h"

#include "core/CoreError.h"
#include "orvek/AbstractFactory.h"
#include "orvek/Log.h"
#include "orvek/io/Stream.h"

namespace orvek::trelm::core {

namespace {
orvek::Factory<ScoreLevelResult> score_result_factory(ScoreLevelResult::type_key);
}

bool ScoreLevelResult::equal(const LevelResultI& other) const {
    auto* o = dynamic_cast<const ScoreLevelResult*>(&other);
    return o && score_ == o->score_;
}

bool ScoreLevelResult::less(const LevelResultI& other) const {
    auto* o = dynamic_cast<const ScoreLevelResult*>(&other);
    return o && score_ < o->score_;
}

void ScoreLevelResult::save(orvek::io::OStream& out) const {
    out << version << score_;
    position_.save(out);
}

void ScoreLevelResult::load(orvek::io::IStream& in) {
    std::uint32_t stored = 0;
    if (!(in >> stored).good()) return;
    if (stored > version) {
        static orvek::LogChannel errors("Core.Results", 1);
        return refuse_newer_version(in, stored, version, "Result record", errors);
    }
    in >> score_;
    position_.load(in);
}

bool result_less(const std::shared_ptr<LevelResultI>& a, const std::shared_ptr<LevelResultI>& b) {
    if (!a || !b) return !a && b;
    return a->less(*b);
}

}  // namespace orvek::trelm::core
