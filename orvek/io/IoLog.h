#pragma once
// The "orvek.io" log channels of the object streams and registries.
#include "orvek/Log.h"

namespace orvek::io {

inline const LogChannel& io_error_log() {
    static const LogChannel channel("orvek.io", log_error_flag);
    return channel;
}
inline const LogChannel& io_warning_log() {
    static const LogChannel channel("orvek.io", log_warning_flag);
    return channel;
}

}  // namespace orvek::io
