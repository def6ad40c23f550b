#pragma once
// The synchronous demo exchanges: outside data read live and recorded while
// a demo records, answered from the demo while one plays, so a replay never
// looks at the settings store or the files.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/app/DemoStream.h"

namespace Vant {

// A settings read: live gives the value (type and bytes) or false. While
// playing, a recorded value larger than *size fails the read rather than
// writing past the caller's buffer.
using LiveRegistryRead = std::function<bool(uint32_t* type, std::vector<uint8_t>* data)>;
bool DemoRegistryRead(DemoChannel* demo, const LiveRegistryRead& live, uint32_t* type, void* data, uint32_t* size);
bool DemoRegistryWrite(DemoChannel* demo, const std::function<bool()>& live);

// A file read (code 15); with bypass the file is read live and nothing is
// recorded.
bool DemoReadBufferFromFile(DemoChannel* demo, const std::string& name, Buffer* buffer, bool bypass);
// A data buffer passed through the demo (code 18): recorded as it is, or
// replaced by the recorded bytes and rewound.
void DemoSyncDataBuffer(DemoChannel* demo, Buffer* buffer);
void DemoSyncBool(DemoChannel* demo, bool* value);
void DemoSyncString(DemoChannel* demo, std::string* value);

}  // namespace Vant
