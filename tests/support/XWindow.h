#pragma once
// Tools of the real-window tests: which X tools are missing, a shell script
// run under a private X server with the common start of every such script,
// keeping its files as artefacts, and reading the dump format of the X
// tools (xwd), true colour with 24 or 32 bits a pixel, into 0xRRGGBB words.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "framework/graphics/ImageLib.h"
#include "support/TestSupport.h"

namespace apptest {

inline bool OnPath(const char* program) {
    return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

// The first of the programs that is not installed, or "".
inline std::string MissingTool(std::initializer_list<const char*> programs) {
    for (const char* p : programs)
        if (!OnPath(p)) return p;
    return "";
}

// What every script starts with. $1 is the work folder, $2 the probe
// program. `fail` ends the run (and the probe, once P holds it);
// `wait_line FILE TEXT [N]` waits until FILE holds N lines with TEXT;
// `find_window TITLE` sets WID to that visible window, polled because a
// window SDL replaces makes --sync give up.
inline constexpr const char* kScriptStart = R"SH(
set -u
cd "$1"
# The desktop libraries SDL loads keep blocks to the end of the process.
export ASAN_OPTIONS=detect_leaks=0
# Runs side by side never share a runtime folder (single-instance lock).
export XDG_RUNTIME_DIR="$1"
P=""
fail() { echo "$1"; [ -n "$P" ] && kill $P 2>/dev/null; exit 3; }
wait_line() {
  for i in $(seq 1 240); do
    n=$(grep -c "$2" "$1" 2>/dev/null)
    [ "${n:-0}" -ge "${3:-1}" ] && return 0
    [ -n "$P" ] && ! kill -0 $P 2>/dev/null && break
    sleep 0.25
  done
  fail "no '$2' in $1"
}
find_window() {
  WID=""
  for i in $(seq 1 120); do
    WID=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | tail -n 1)
    [ -n "$WID" ] && return 0
    sleep 0.25
  done
  fail "no window"
}
)SH";

// Shell tools for reading captures, for scripts that need them (after
// kScriptStart): `pix FILE [X Y]` prints the pixel at (X, Y) of an xwd
// capture (the middle by default) as blue, green, red hex bytes; `near A B`
// says whether two such colours differ by at most 8 in each byte (the
// display may keep fewer bits a channel); `wait_pix COLOUR X Y WHAT` polls
// captures of $WID until that pixel is near COLOUR.
inline constexpr const char* kCaptureTools = R"SH(
pix() {
  h=$(od -An -tu4 --endian=big -N4 "$1" | tr -d ' ')
  bpl=$(od -An -tu4 --endian=big -j48 -N4 "$1" | tr -d ' ')
  nc=$(od -An -tu4 --endian=big -j76 -N4 "$1" | tr -d ' ')
  od -An -tx1 -j$((h + nc * 12 + ${3:-300} * bpl + ${2:-400} * 4)) -N3 "$1" | tr -d ' \n'
}
near() {
  for k in 0 2 4; do
    d=$(( 16#${1:$k:2} - 16#${2:$k:2} ))
    [ ${d#-} -le 8 ] || return 1
  done
}
wait_pix() {
  for i in $(seq 1 300); do
    xwd -silent -id "$WID" -out w.xwd 2>/dev/null && near "$(pix w.xwd $2 $3)" "$1" && return 0
    sleep 0.1
  done
  fail "never saw $4"
}
)SH";

// The colour of a flat picture as `pix` prints it from a capture: blue,
// green, red bytes of its first pixel; "missing" when it cannot be read.
inline std::string CaptureColour(const std::string& png, bool centre = false) {
    ImageLib::ImagePtr p = ImageLib::GetPNGImage(png);
    if (!p) return "missing";
    // A round sprite is clear at its corners.
    const std::uint32_t c = centre ? p->bits[std::size_t(p->height / 2) * p->width + p->width / 2] : p->bits[0];
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (int shift : {0, 8, 16}) {
        text += digits[(c >> (shift + 4)) & 0xF];
        text += digits[(c >> shift) & 0xF];
    }
    return text;
}

// Whether two 0xRRGGBB colours differ by at most `tolerance` in each channel.
inline bool NearColour(std::uint32_t a, std::uint32_t b, int tolerance = 8) {
    for (int shift : {0, 8, 16}) {
        const int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

// Runs the script body after the common start under a private X server
// with one screen of `screen` ("WxHxD"), the script's output in run.out of
// the work folder. Returns the status std::system gives.
inline int RunUnderXvfb(const testsupport::TempDir& dir, const std::string& screen, const std::string& body,
                        const std::string& probe, const std::string& args = "") {
    testsupport::write_file(dir.file("run.sh"), std::string(kScriptStart) + body);
    const std::string cmd = "timeout 180 xvfb-run -a -s '-screen 0 " + screen + "' bash " + dir.file("run.sh") + " " +
                            dir.str() + " " + probe + (args.empty() ? "" : " " + args) + " > " +
                            dir.file("run.out") + " 2>&1";
    return std::system(cmd.c_str());
}

// Copies files of the work folder into the artefact folder as prefix +
// name ("/" in a name becomes "_"); missing ones are skipped.
inline void KeepArtefacts(const testsupport::TempDir& dir, const std::string& artefactDir, const std::string& prefix,
                          std::initializer_list<const char*> files) {
    std::error_code ec;
    std::filesystem::create_directories(artefactDir, ec);
    for (const char* f : files) {
        std::string name = f;
        for (char& c : name)
            if (c == '/') c = '_';
        std::filesystem::copy_file(dir.file(f), artefactDir + "/" + prefix + name,
                                   std::filesystem::copy_options::overwrite_existing, ec);
    }
}

struct Capture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF; }
};

inline bool ReadDump(const std::string& path, Capture* out, std::string* why) {
    std::ifstream in(path, std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto field = [&](std::size_t i) -> std::uint32_t {
        const auto* p = reinterpret_cast<const unsigned char*>(data.data()) + i * 4;
        return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
    };
    if (data.size() < 100) return *why = path + ": too short", false;
    const std::uint32_t headerSize = field(0), format = field(2), width = field(4), height = field(5);
    const std::uint32_t byteOrder = field(7), bpp = field(11), bytesPerLine = field(12);
    const std::uint32_t red = field(14), green = field(15), blue = field(16), colours = field(19);
    if (format != 2 || (bpp != 32 && bpp != 24) || red != 0xFF0000 || green != 0xFF00 || blue != 0xFF)
        return *why = path + ": not a true-colour dump", false;
    const std::size_t start = headerSize + std::size_t(colours) * 12;
    if (width > 10000 || height > 10000 || data.size() < start + std::size_t(bytesPerLine) * height)
        return *why = path + ": truncated", false;
    out->width = static_cast<int>(width);
    out->height = static_cast<int>(height);
    out->pixels.assign(std::size_t(width) * height, 0);
    const unsigned step = bpp / 8;
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) {
            const auto* p = reinterpret_cast<const unsigned char*>(data.data()) + start + y * bytesPerLine + x * step;
            std::uint32_t v = 0;
            for (unsigned b = 0; b < step; ++b)
                v |= std::uint32_t(p[b]) << (byteOrder == 0 ? 8 * b : 8 * (step - 1 - b));
            out->pixels[std::size_t(y) * width + x] = v;
        }
    return true;
}

// Keeps a capture as a PNG picture beside its dump, for people to look at.
inline void WriteCapturePNG(const Capture& c, const std::string& path) {
    ImageLib::Image png(c.width, c.height);
    for (std::size_t i = 0; i < c.pixels.size(); ++i) png.bits[i] = 0xFF000000u | (c.pixels[i] & 0xFFFFFF);
    ImageLib::WritePNGImage(path, png);
}

}  // namespace apptest
