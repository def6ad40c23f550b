#pragma once
// The display and cursor services of the running application that the game's
// options and renderers use. Without an application the queries answer false
// and the setters do nothing.
namespace orvek::ostrel {

bool is_3d_accelerated();
// The capability test found nothing against 3D.
bool is_3d_supported();
// Switches only when the mode differs from the current one.
void set_screen_mode(bool windowed, bool accelerated);
void set_custom_cursors(bool enabled);

}  // namespace orvek::ostrel
