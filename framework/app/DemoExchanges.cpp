#include "framework/app/DemoExchanges.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace Vant {

namespace {

bool Live(const DemoChannel* demo) { return !demo || (!demo->playing && !demo->recording); }

// The pending record of this update when it carries the code; taken.
bool TakeDue(DemoChannel* demo, int code) {
    DemoReader* r = demo->reader;
    if (!r || demo->pastEnd || !r->ReadRecordHeader(demo->updateNum) || r->PendingCode() != code) return false;
    r->TakeRecord();
    return true;
}

bool ReadFileBytes(const std::string& name, std::vector<uint8_t>* out) {
    std::ifstream in(name, std::ios::binary);
    if (!in) return false;
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

bool DemoRegistryRead(DemoChannel* demo, const LiveRegistryRead& live, uint32_t* type, void* data, uint32_t* size) {
    std::vector<uint8_t> bytes;
    uint32_t t = 0;
    bool ok;
    if (demo && demo->playing) {
        if (!TakeDue(demo, DEMO_REGISTRY_READ) || !demo->reader->ReadRegistryRead(&ok, &t, &bytes)) return false;
    } else {
        ok = live(&t, &bytes);
        if (demo && demo->recording && demo->writer)
            demo->writer->WriteRegistryRead(demo->updateNum, ok, t, bytes.data(), uint32_t(bytes.size()));
    }
    if (!ok || bytes.size() > *size) return false;
    if (type) *type = t;
    if (data && !bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
    *size = uint32_t(bytes.size());
    return true;
}

bool DemoRegistryWrite(DemoChannel* demo, const std::function<bool()>& live) {
    if (demo && demo->playing) {
        if (demo->pastEnd) return true;
        return TakeDue(demo, DEMO_REGISTRY_WRITE) && demo->reader->ReadFlag();
    }
    const bool ok = live();
    if (demo && demo->recording && demo->writer) demo->writer->WriteRegistryWrite(demo->updateNum, ok);
    return ok;
}

bool DemoReadBufferFromFile(DemoChannel* demo, const std::string& name, Buffer* buffer, bool bypass) {
    std::vector<uint8_t> bytes;
    bool ok;
    if (!bypass && demo && demo->playing) {
        if (!TakeDue(demo, DEMO_FILE_READ) || !demo->reader->ReadFileRead(&ok, &bytes)) return false;
    } else {
        ok = ReadFileBytes(name, &bytes);
        if (!bypass && !Live(demo) && demo->writer) demo->writer->WriteFileRead(demo->updateNum, ok, bytes);
    }
    if (!ok) return false;
    buffer->Clear();
    buffer->SetData(bytes.data(), int(bytes.size()));
    return true;
}

void DemoSyncDataBuffer(DemoChannel* demo, Buffer* buffer) {
    if (Live(demo)) return;
    if (demo->playing) {
        std::vector<uint8_t> bytes;
        if (!TakeDue(demo, DEMO_SYNC) || !demo->reader->ReadBlock(&bytes)) return;
        buffer->Clear();
        buffer->SetData(bytes.data(), int(bytes.size()));
        return;
    }
    if (!demo->writer) return;
    demo->writer->WriteSyncBuffer(
        demo->updateNum, std::vector<uint8_t>(buffer->mData.begin(), buffer->mData.begin() + buffer->GetDataLen()));
}

void DemoSyncBool(DemoChannel* demo, bool* value) {
    Buffer b;
    b.WriteBoolean(*value);
    DemoSyncDataBuffer(demo, &b);
    *value = b.ReadBoolean();
}

void DemoSyncString(DemoChannel* demo, std::string* value) {
    Buffer b;
    b.WriteString(*value);
    DemoSyncDataBuffer(demo, &b);
    *value = b.ReadString();
}

}  // namespace Vant
