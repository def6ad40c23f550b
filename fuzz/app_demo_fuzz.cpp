// Arbitrary bytes as a demo file: reading it and walking every record the
// way playback does must stay inside the data, and no payload may reserve
// more than the stream holds.
#include <cstdint>
#include <vector>

#include "framework/app/DemoStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Vant::DemoFile demo;
    std::string error;
    if (!Vant::ParseDemoFile(data, size, "", &demo, &error)) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    if (demo.stream.GetDataLen() <= 0) __builtin_trap();
    Vant::DemoReader reader(&demo.stream);
    std::vector<uint8_t> block;
    // Each update injects what is due; a record that cannot be read ends
    // playback, as the application does.
    for (int update = 0; update < 1 << 20 && !reader.Exhausted(); ++update) {
        while (reader.ReadRecordHeader(update)) {
            const int code = reader.TakeRecord();
            if (!reader.SkipPayload(code)) return 0;
            if (demo.stream.GetReadBitPos() > demo.stream.GetDataBitSize() + 64) __builtin_trap();
        }
        if (reader.Exhausted()) break;
    }
    return 0;
}
