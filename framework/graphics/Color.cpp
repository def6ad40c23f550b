#include "framework/graphics/Color.h"

namespace Vant {

const Color Color::White(255, 255, 255, 255);
const Color Color::Black(0, 0, 0, 255);

}  // namespace Vant
