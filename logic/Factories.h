#pragma once
// The factories of every persistent class of the game logic, registered by
// the names that saved games spell ("class orvek::trelm::logic::Ball" and so
// on). They are made on the first call of logic_factory_names(), which may
// come from any static initialiser, and before main at the latest; a program
// that reads or writes logic objects without going through Game::save or
// Game::load calls it once so that the linker keeps them.
#include <string>
#include <vector>

namespace orvek::trelm::logic {

// The registered names, in registration order.
const std::vector<std::string>& logic_factory_names();

}  // namespace orvek::trelm::logic
