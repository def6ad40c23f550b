#pragma once
// Whether the running application draws through the 3D device; false
// without an application.
namespace orvek::ostrel {

bool is_3d_accelerated();

}  // namespace orvek::ostrel
