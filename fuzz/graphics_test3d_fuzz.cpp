// Arbitrary bytes as the two card lists and as a damaged "Test3D" key: the
// card check must not crash, and a cached verdict is taken only when every
// value is present and of its type, and then holds no bytes past a zero.
// Input: the blocked list, a zero byte, the supported list, a zero byte,
// then the settings file text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

#include "framework/graphics/D3DTester.h"
#include "platform/Settings.h"

namespace {

const std::string& Dir() {
    static const std::string dir = [] {
        std::string t = "/tmp/test3d_fuzzXXXXXX";
        if (!mkdtemp(t.data())) std::abort();
        return t;
    }();
    return dir;
}

void Put(const std::string& name, std::string_view bytes, bool present) {
    const std::string path = Dir() + "/" + name;
    if (!present) {
        unlink(path.c_str());
        return;
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    const std::size_t a = in.find('\0');
    const std::size_t b = a == std::string_view::npos ? a : in.find('\0', a + 1);
    Put("vhwb.dat", in.substr(0, a), true);
    Put("vhw.dat", a == std::string_view::npos ? std::string_view() : in.substr(a + 1, b - a - 1),
        a != std::string_view::npos);
    const std::string_view text = b == std::string_view::npos ? std::string_view() : in.substr(b + 1);

    Vant::D3DTester tester;
    tester.cardListDir = Dir();
    tester.driverYear = 2001;
    tester.IsSupportedCard("Software 3D device");
    tester.IsSupportedCard(std::string(in.substr(0, std::min<std::size_t>(in.size(), 64))));

    plat::SettingsStore store("unused/registry.txt");
    std::string error;
    if (!store.Parse(text, &error)) return 0;
    const std::string key = "SOFTWARE\\Zelkor\\Test3D";
    tester.readValue = [&](const std::string& name, std::uint32_t* type, void* out, std::uint32_t* n) {
        return store.Read(key, name, type, out, n);
    };
    tester.minVidMemory = 16;
    tester.recVidMemory = 64;
    for (int i = 0; i < 16; ++i) tester.displayGuid[std::size_t(i)] = std::uint8_t(i);
    if (tester.ReadCachedResults()) {
        if (tester.resultIsNew) std::abort();
        if (tester.failureReason.find('\0') != std::string::npos || tester.warning.find('\0') != std::string::npos)
            std::abort();
    } else if (!tester.resultIsNew) {
        std::abort();
    }
    return 0;
}
