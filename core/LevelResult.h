#pragma once
// Results of a run and the rows of a results table. Results are compared to
// keep the best: `less` means "worse than".
#include <cstdint>
#include <memory>
#include <string>

#include "core/LevelPosition.h"
#include "orvek/io/Object.h"

namespace orvek::trelm::core {

class LevelResultI : public orvek::io::Object {
public:
    virtual bool equal(const LevelResultI& other) const = 0;
    // True when this result is worse than the other.
    virtual bool less(const LevelResultI& other) const = 0;
};

class ScoreLevelResult : public LevelResultI {
public:
    // The name under which the factory is registered and the files name it.
    static constexpr const char* type_key = "class orvek::trelm::core::ScoreLevelResult";
    static constexpr std::uint32_t version = 0;

    ScoreLevelResult() = default;
    ScoreLevelResult(std::int32_t score, const LevelPosition& position) : score_(score), position_(position) {}

    std::int32_t score() const { return score_; }
    const LevelPosition& position() const { return position_; }

    bool equal(const LevelResultI& other) const override;
    bool less(const LevelResultI& other) const override;

    // u32 version 0, the score as a little-endian i32, the position.
    void save(orvek::io::OStream& out) const override;
    // A newer version fails the stream: its layout is unknown, and reading
    // on would misread everything after it.
    void load(orvek::io::IStream& in) override;

private:
    std::int32_t score_ = 0;
    LevelPosition position_;
};

// Orders results; a missing result counts as worse than any real one, so a
// damaged entry can never crash a comparison.
bool result_less(const std::shared_ptr<LevelResultI>& a, const std::shared_ptr<LevelResultI>& b);

class ResultEntry {
public:
    ResultEntry() = default;
    ResultEntry(std::string name, std::shared_ptr<LevelResultI> result)
        : name_(std::move(name)), result_(std::move(result)) {}
    virtual ~ResultEntry() = default;
    ResultEntry(const ResultEntry&) = default;
    ResultEntry& operator=(const ResultEntry&) = default;

    const std::string& name() const { return name_; }
    const std::shared_ptr<LevelResultI>& result() const { return result_; }

    bool operator<(const ResultEntry& other) const { return result_less(result_, other.result_); }

private:
    std::string name_;
    std::shared_ptr<LevelResultI> result_;
};

}  // namespace orvek::trelm::core
