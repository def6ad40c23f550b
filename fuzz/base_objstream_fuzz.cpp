// Reads arbitrary bytes as an object stream of a few registered classes that
// use every record kind: counted handles, shared and weak pointers, plain
// data, strings, points and counted lists.
//
// Input: byte 0 chooses the exception mask (bit 0: 13, else 0) and whether
// the header is read (bit 1); byte 1 chooses the order of top-level reads;
// the rest is the stream.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "orvek/AbstractFactory.h"
#include "orvek/Refs.h"
#include "orvek/io/SharedRefs.h"
#include "orvek/io/Stream.h"

namespace objstream_fuzz {

using namespace orvek;
using namespace orvek::io;

struct Point {
    float x = 0, y = 0;
};

struct FLeaf : Object {
    std::uint32_t value = 0;
    std::string text;
    Point at;
    std::vector<std::uint32_t> list;
    void save(OStream& os) const override {
        os << std::uint8_t(1) << value;
        os.write_sized_block(text);
        os.write_point(at);
        write_counted(os, list.begin(), list.end(), static_cast<std::uint32_t>(list.size()));
    }
    void load(IStream& is) override {
        std::uint8_t version = 0;
        is >> version >> value;
        is.read_string(text);
        if (version >= 1) {
            is.read_point(at);
            read_vector(is, list);
        }
    }
};

struct FHolder : Object {
    Refs<FLeaf> first, second;
    std::shared_ptr<FLeaf> shared;
    std::weak_ptr<FLeaf> weak;
    void save(OStream& os) const override {
        save_refs(os, first);
        save_refs(os, second);
        save_shared(os, shared);
        save_shared(os, weak.lock());
    }
    void load(IStream& is) override {
        load_refs(is, first);
        load_refs(is, second);
        load_shared(is, shared);
        load_weak(is, weak);
    }
};

struct FRoot : Object {
    Refs<FHolder> holder;
    std::shared_ptr<FHolder> shared_holder;
    Refs<FLeaf> leaf;
    std::uint32_t count = 0;
    void save(OStream& os) const override {
        os << count;
        save_refs(os, holder);
        save_shared(os, shared_holder);
        save_refs(os, leaf);
    }
    void load(IStream& is) override {
        is >> count;
        load_refs(is, holder);
        load_shared(is, shared_holder);
        load_refs(is, leaf);
    }
};

inline void register_classes() {
    static Factory<FLeaf> leaf("class objstream_fuzz::FLeaf");
    static Factory<FHolder> holder("class objstream_fuzz::FHolder");
    static Factory<FRoot> root("class objstream_fuzz::FRoot");
}

inline void read_stream(const std::uint8_t* data, std::size_t size) {
    register_classes();
    if (size < 2) return;
    const std::uint8_t mode = data[0];
    const std::uint8_t order = data[1];
    std::stringbuf buf(std::string(reinterpret_cast<const char*>(data + 2), size - 2));

    std::vector<Refs<FRoot>> roots;
    std::vector<std::shared_ptr<FHolder>> holders;
    std::vector<std::weak_ptr<FLeaf>> leaves;
    IStream is(&buf);
    is.exceptions((mode & 1) ? Stream::default_exceptions : 0);
    try {
        if (mode & 2) is.read_header();
        for (int i = 0; i < 32 && is.good(); ++i) {
            switch ((order >> ((i % 4) * 2)) & 3) {
                case 0: {
                    Refs<FRoot> root;
                    load_refs(is, root);
                    roots.push_back(root);
                    break;
                }
                case 1: {
                    std::shared_ptr<FHolder> holder;
                    load_shared(is, holder);
                    holders.push_back(holder);
                    break;
                }
                case 2: {
                    std::weak_ptr<FLeaf> leaf;
                    load_weak(is, leaf);
                    leaves.push_back(leaf);
                    break;
                }
                default: {
                    is.read_object_or_skip();
                    std::string s;
                    is.read_string(s);
                    break;
                }
            }
        }
    } catch (const orvek::Exception&) {
        // Failure under the mask: the expected end of a damaged stream.
    }
}

}  // namespace objstream_fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    objstream_fuzz::read_stream(data, size);
    return 0;
}
