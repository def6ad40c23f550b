// Our XML reader against libexpat on the same generated file of a few MB,
// shaped like a level description and a skin. Both read the file from disk
// in every iteration and touch every item. Before timing, both must see the
// same numbers of start tags, end tags, texts and attributes, or the run
// fails: a faster reader that reads less proves nothing. The last line
// printed is the ratio of the throughputs (ours / expat), by processor time.
#include <benchmark/benchmark.h>
#include <expat.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <unistd.h>

#include "orvek/XMLParser.h"

namespace {

std::string g_file;
std::size_t g_size = 0;

std::string make_file() {
    std::string s;
    s.reserve(6 << 20);
    s += "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<!-- generated test data -->\n<root>\n";
    unsigned seed = 12345;
    auto rnd = [&seed](unsigned n) {
        seed = seed * 214013u + 2531011u;
        return ((seed >> 16) & 0x7fff) % n;
    };
    auto num = [&](unsigned whole) {
        return std::to_string(rnd(whole)) + "." + std::to_string(rnd(1000));
    };
    for (int level = 0; level < 120; ++level) {
        s += "  <level id=\"" + std::to_string(level) + "\" name=\"Lake &amp; Hills " +
             std::to_string(level) + "\" background=\"Data/Levels/" + std::to_string(level) +
             "/back.jpg\" time=\"180\">\n";
        for (int way = 0; way < 3; ++way) {
            s += "    <way id=\"" + std::to_string(way) + "\" speed=\"" + num(5) +
                 "\" colors=\"5\" balls=\"" + std::to_string(60 + rnd(40)) + "\">\n";
            for (int p = 0; p < 150; ++p)
                s += "      <point x=\"" + num(800) + "\" y=\"" + num(600) + "\"/>\n";
            s += "    </way>\n";
        }
        for (int o = 0; o < 20; ++o)
            s += "    <object type=\"lift\" x=\"" + num(800) + "\" y=\"" + num(600) + "\" angle=\"" +
                 num(7) + "\" image=\"Data/Gui/lift.png\" layer=\"" + std::to_string(rnd(10)) + "\"/>\n";
        s += "    <description>\n      A quiet lake   among the hills, where the chains\n"
             "      roll slowly &lt;at first&gt; and then faster.\n    </description>\n";
        s += "  </level>\n";
    }
    s += "  <skin>\n";
    for (int b = 0; b < 9000; ++b) {
        s += "    <button id=\"b" + std::to_string(b) + "\" x=\"" + std::to_string(rnd(800)) + "\" y=\"" +
             std::to_string(rnd(600)) + "\" image=\"Data/Gui/buttons.png\" font=\"Data/Fonts/main.fnt\" "
             "tooltip=\"menu/tooltips/b" + std::to_string(b) + "\">\n";
        s += "      <text lang=\"en\">Start the game &quot;now&quot;</text>\n";
        s += "    </button>\n";
    }
    s += "  </skin>\n</root>\n";
    return s;
}

void BM_ours(benchmark::State& state) {
    std::size_t items = 0, bytes = 0;
    for (auto _ : state) {
        Vant::XMLParser parser;
        if (!parser.OpenFile(g_file)) {
            state.SkipWithError("cannot open");
            return;
        }
        Vant::XMLElement e;
        while (parser.NextElement(&e)) {
            ++items;
            bytes += e.mValue.size();
            for (const auto& [k, v] : e.mAttributes) bytes += k.size() + v.size();
        }
        if (parser.HasFailed()) {
            state.SkipWithError(parser.GetErrorText().c_str());
            return;
        }
    }
    benchmark::DoNotOptimize(items);
    benchmark::DoNotOptimize(bytes);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(g_size));
}

struct ExpatCounts {
    std::size_t items = 0, bytes = 0;
};

void XMLCALL on_start(void* data, const XML_Char* name, const XML_Char** atts) {
    auto* c = static_cast<ExpatCounts*>(data);
    ++c->items;
    c->bytes += std::char_traits<char>::length(name);
    for (; *atts; atts += 2)
        c->bytes += std::char_traits<char>::length(atts[0]) + std::char_traits<char>::length(atts[1]);
}
void XMLCALL on_end(void* data, const XML_Char*) { ++static_cast<ExpatCounts*>(data)->items; }
void XMLCALL on_text(void* data, const XML_Char*, int len) {
    static_cast<ExpatCounts*>(data)->bytes += static_cast<std::size_t>(len);
}

// The test file through expat in 64 KB reads; false when it can not be
// opened or does not parse.
bool expat_parse(void* user, XML_StartElementHandler start, XML_EndElementHandler end,
                 XML_CharacterDataHandler text, std::string& buffer) {
    std::FILE* f = std::fopen(g_file.c_str(), "rb");
    if (!f) return false;
    // The game's files are windows-1251; every byte maps to one character.
    XML_Parser p = XML_ParserCreate("ISO-8859-1");
    XML_SetUserData(p, user);
    XML_SetElementHandler(p, start, end);
    XML_SetCharacterDataHandler(p, text);
    bool ok = true;
    for (;;) {
        std::size_t n = std::fread(buffer.data(), 1, buffer.size(), f);
        bool last = n < buffer.size();
        if (XML_Parse(p, buffer.data(), static_cast<int>(n), last) == XML_STATUS_ERROR) {
            ok = false;
            break;
        }
        if (last) break;
    }
    XML_ParserFree(p);
    std::fclose(f);
    return ok;
}

void BM_expat(benchmark::State& state) {
    ExpatCounts counts;
    std::string buffer(64 * 1024, '\0');
    for (auto _ : state) {
        if (!expat_parse(&counts, on_start, on_end, on_text, buffer)) {
            state.SkipWithError("expat failed");
            return;
        }
    }
    benchmark::DoNotOptimize(counts.items);
    benchmark::DoNotOptimize(counts.bytes);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(g_size));
}

// What each reader saw of the file.
struct Census {
    std::size_t starts = 0, ends = 0, texts = 0, attributes = 0;
    bool operator==(const Census&) const = default;
};

void print_census(const char* who, const Census& c) {
    std::printf("%s: %zu start tags, %zu end tags, %zu texts, %zu attributes\n", who, c.starts, c.ends, c.texts,
                c.attributes);
}

bool census_ours(Census& c) {
    Vant::XMLParser parser;
    if (!parser.OpenFile(g_file)) return false;
    Vant::XMLElement e;
    while (parser.NextElement(&e)) {
        switch (e.mType) {
        case Vant::XMLElement::TYPE_START:
            ++c.starts;
            c.attributes += e.mAttributes.size();
            break;
        case Vant::XMLElement::TYPE_END: ++c.ends; break;
        case Vant::XMLElement::TYPE_ELEMENT: ++c.texts; break;
        default: break;
        }
    }
    return !parser.HasFailed();
}

// Expat hands a text out in pieces and reports blank runs too; ours gives
// one item per text that is not blank. Pieces are joined up to the next tag.
struct ExpatCensus {
    Census c;
    bool pending_text = false;
    void end_text() {
        if (pending_text) ++c.texts;
        pending_text = false;
    }
};

void XMLCALL census_start(void* data, const XML_Char*, const XML_Char** atts) {
    auto* e = static_cast<ExpatCensus*>(data);
    e->end_text();
    ++e->c.starts;
    for (; *atts; atts += 2) ++e->c.attributes;
}
void XMLCALL census_end(void* data, const XML_Char*) {
    auto* e = static_cast<ExpatCensus*>(data);
    e->end_text();
    ++e->c.ends;
}
void XMLCALL census_text(void* data, const XML_Char* s, int len) {
    auto* e = static_cast<ExpatCensus*>(data);
    for (int i = 0; i < len && !e->pending_text; ++i)
        e->pending_text = s[i] != ' ' && s[i] != '\t' && s[i] != '\n' && s[i] != '\r';
}

bool census_expat(Census& c) {
    ExpatCensus counts;
    std::string buffer(64 * 1024, '\0');
    const bool ok = expat_parse(&counts, census_start, census_end, census_text, buffer);
    c = counts.c;
    return ok;
}

BENCHMARK(BM_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_expat)->Unit(benchmark::kMillisecond);

// Keeps the time per iteration of every benchmark for the closing ratio.
class Reporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (!r.error_occurred && r.run_type == Run::RT_Iteration)
                seconds[r.run_name.function_name] = r.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
    const char* tmp = std::getenv("TMPDIR");
    g_file = std::string(tmp && *tmp ? tmp : "/tmp") + "/xml_bench." + std::to_string(::getpid()) + ".xml";
    {
        std::string text = make_file();
        g_size = text.size();
        std::FILE* f = std::fopen(g_file.c_str(), "wb");
        if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size()) {
            std::fprintf(stderr, "cannot write %s\n", g_file.c_str());
            return 1;
        }
        std::fclose(f);
    }
    std::printf("input: %s, %.1f MB\n", g_file.c_str(), static_cast<double>(g_size) / (1 << 20));

    Census ours_seen, expat_seen;
    const bool ours_ok = census_ours(ours_seen);
    const bool expat_ok = census_expat(expat_seen);
    print_census("ours ", ours_seen);
    print_census("expat", expat_seen);
    if (!ours_ok || !expat_ok || !(ours_seen == expat_seen)) {
        std::printf("the readers do not see the same file%s%s\n", ours_ok ? "" : "; ours failed",
                    expat_ok ? "" : "; expat failed");
        std::remove(g_file.c_str());
        return 1;
    }

    benchmark::Initialize(&argc, argv);
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::remove(g_file.c_str());

    auto ours = reporter.seconds.find("BM_ours");
    auto expat = reporter.seconds.find("BM_expat");
    if (ours == reporter.seconds.end() || expat == reporter.seconds.end() || ours->second <= 0) {
        std::printf("throughput ratio ours/expat: n/a\n");
        return 0;
    }
    std::printf("throughput ratio ours/expat: %.2f\n", expat->second / ours->second);
    return 0;
}
