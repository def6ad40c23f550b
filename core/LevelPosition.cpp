#include "core/LevelPosition.h"

#include "orvek/io/Stream.h"

namespace orvek::trelm::core {

LevelPosition::LevelPosition() : pair_(std::make_unique<Pair>()) {}

LevelPosition::LevelPosition(std::uint32_t level, std::uint32_t sub_level)
    : pair_(std::make_unique<Pair>(Pair{level, sub_level})) {}

LevelPosition::LevelPosition(const LevelPosition& other)
    : pair_(std::make_unique<Pair>(*other.pair_)) {}

LevelPosition& LevelPosition::operator=(const LevelPosition& other) {
    *pair_ = *other.pair_;
    return *this;
}

LevelPosition::~LevelPosition() = default;

void LevelPosition::set(std::uint32_t level, std::uint32_t sub_level) {
    pair_->level = level;
    pair_->sub_level = sub_level;
}

std::uint32_t LevelPosition::level() const { return pair_->level; }
std::uint32_t LevelPosition::sub_level() const { return pair_->sub_level; }

std::string LevelPosition::to_string() const {
    return std::to_string(pair_->level) + "-" + std::to_string(pair_->sub_level);
}

void LevelPosition::save(orvek::io::OStream& out) const {
    out << std::uint32_t{0} << pair_->level << pair_->sub_level;
}

void LevelPosition::load(orvek::io::IStream& in) {
    std::uint32_t version = 0;
    in >> version >> pair_->level >> pair_->sub_level;
}

}  // namespace orvek::trelm::core
