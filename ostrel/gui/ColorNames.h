#pragma once
// The names of the ball colours as image names spell them: 1 "red" ...
// 8 "white", 9 "wild".
namespace orvek::ostrel {

// Null for an index outside 1..9.
const char* color_name(int index);

}  // namespace orvek::ostrel
