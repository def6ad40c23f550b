#pragma once
// The way settings of the shared scenes: the speed triples of an ordinary way
// and a release of chains given by name, so no scene fills the record field
// by field.
#include <cstdint>

#include "logic/GameRecords.h"

namespace logictest {

struct ChainRelease {
    std::int32_t size = 5;
    std::int32_t uniformity = 1;
    float dtime = 1e6f;  // no timed release
    float path_roll_out = 100.0f;
    float path_for_next = 1e6f;  // every chain keeps its way busy
    float bonus_increment = 0.0f;
    float forward_limit = 50.0f;
    float slowing_limit = 20.0f;
};

orvek::trelm::logic::WaySettings way_settings(const ChainRelease& release = {});

}  // namespace logictest
