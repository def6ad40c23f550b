// Feeds arbitrary bytes to the descriptor reader, in both command-separator
// modes, and runs every resolution helper on each argument of every command;
// "Define" binds names so that later commands dereference them.
#include "framework/graphics/DescParser.h"

#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

size_t CountElements(const Vant::DataElement& e) {
    if (!e.mIsList) return 1;
    size_t n = 1;
    for (const auto& c : static_cast<const Vant::ListDataElement&>(e).mElementVector) n += CountElements(*c);
    return n;
}

class FuzzParser : public Vant::DescParser {
public:
    bool HandleCommand(const Vant::ListDataElement& params) override {
        const auto& v = params.mElementVector;
        for (size_t i = 1; i < v.size(); ++i) {
            const Vant::DataElement& e = *v[i];
            std::string s;
            std::vector<std::string> strings;
            std::vector<int> ints;
            std::vector<double> doubles;
            Vant::ListDataElement list;
            DataToString(e, &s);
            DataToStringVector(e, &strings);
            DataToIntVector(e, &ints);
            DataToDoubleVector(e, &doubles);
            DataToList(e, &list);
            (void)DataElementToString(e);
            if (!e.mIsList) (void)IsLiteralToken(static_cast<const Vant::SingleDataElement&>(e).mString);
        }
        const std::string name = static_cast<const Vant::SingleDataElement&>(*v[0]).mString;
        if (name == "Define" && v.size() == 3 && !v[1]->mIsList) {
            std::string key = static_cast<const Vant::SingleDataElement&>(*v[1]).mString;
            for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (v[2]->mIsList) {
                auto resolved = std::make_unique<Vant::ListDataElement>();
                if (!GetValues(static_cast<const Vant::ListDataElement&>(*v[2]), resolved.get())) return false;
                // A define may hold itself twice over; doubling it on every
                // command only measures the fuzzer's memory.
                if (CountElements(*resolved) > 10000) return false;
                mDefineMap[key] = std::move(resolved);
            } else {
                mDefineMap[key] = v[2]->Duplicate();
            }
        }
        return name != "Stop";
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (int sep : {int{Vant::DescParser::CMDSEP_SEMICOLON}, int{Vant::DescParser::CMDSEP_NO_INDENT}}) {
        FuzzParser p;
        p.mCmdSep = sep;
        p.LoadDescriptorText(text);
    }
    return 0;
}
