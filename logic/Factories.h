#pragma once
// The factories of every persistent class of the game logic, registered by
// the names that saved games spell ("class orvek::trelm::logic::Ball" and so
// on). They are made during start-up, before main; a program that reads or
// writes logic objects without going through Game::save or Game::load calls
// logic_factory_names() once so that the linker keeps them.
#include <string>
#include <vector>

namespace orvek::trelm::logic {

// The registered names, in registration order.
const std::vector<std::string>& logic_factory_names();

}  // namespace orvek::trelm::logic
