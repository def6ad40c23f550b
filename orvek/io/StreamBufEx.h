#pragma once
// What a stream buffer over a file tells the stream above it for failure
// messages: the file's last error and its name.
#include "orvek/Exception.h"

namespace orvek::io {

class StreamBufEx {
public:
    virtual ~StreamBufEx() = default;
    // The attached file's last failure; null without a file.
    virtual const ErrorInfo* error_info() const = 0;
    // The file's name; "" when there is none.
    virtual const char* file_name() const = 0;
};

}  // namespace orvek::io
