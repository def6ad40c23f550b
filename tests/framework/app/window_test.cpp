// The application object on a real window under Xvfb: input sent through
// the X server reaches the widget manager in order with its codes, closing
// ends the run cleanly, a second instance raises the first, and without a
// display the program says so and fails.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Settings.h"
#include "support/TestSupport.h"
#include "support/XWindow.h"

namespace {


std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

int InProgress(const std::string& settingsFile) {
    plat::SettingsStore store(settingsFile);
    if (!store.Load()) return -1;
    std::uint32_t value = 0, size = sizeof value, type = 0;
    if (!store.Read("SOFTWARE\\ZelkorWindowProbe", "InProgress", &type, &value, &size)) return -2;
    return static_cast<int>(value);
}

// The lines of want, in this order, among the lines of got.
bool InOrder(const std::vector<std::string>& got, const std::vector<std::string>& want, std::string* missing) {
    std::size_t i = 0;
    for (const std::string& g : got)
        if (i < want.size() && g == want[i]) ++i;
    if (i < want.size()) *missing = want[i];
    return i == want.size();
}

TEST(Window, InputCloseAndSecondInstanceUnderXvfb) {
    if (const std::string m = apptest::MissingTool({"xvfb-run", "xdotool"}); !m.empty()) GTEST_SKIP() << m << " missing";
    testsupport::TempDir dir;
    std::filesystem::create_directories(ARTEFACT_DIR);
    const int rc = apptest::RunUnderXvfb(dir, "1024x768x24", R"(
"$2" > first.out 2>&1 &
P=$!
# The window is searched once the probe says it is open: a window found
# earlier may be one SDL replaces.
wait_line first.out "probe: window open"
find_window "Zelkor Window Probe"
sleep 0.5
grep -q "InProgress" config/registry.txt && cp config/registry.txt during.txt
xdotool mousemove --window "$WID" 100 120; sleep 0.2
xdotool mousemove --window "$WID" 130 140; sleep 0.2
xdotool click 1; sleep 0.2
xdotool click 3; sleep 0.2
xdotool click 4; sleep 0.2
xdotool click 5; sleep 0.2
xdotool windowfocus --sync "$WID" 2>/dev/null; sleep 0.2
xdotool type --delay 50 "ab"; sleep 0.2
xdotool key Return; sleep 0.3
# The screen as the input left it, kept in the build tree.
xwd -root -silent > "$3/window_test.xwd" 2>/dev/null || true
"$2" > second.out 2>&1; echo $? > second.rc
sleep 0.5
xdotool key --window "$WID" alt+F4
for i in $(seq 1 100); do kill -0 $P 2>/dev/null || break; sleep 0.1; done
wait $P; echo $? > first.rc
)", APP_WINDOW_PROBE, ARTEFACT_DIR);
    ASSERT_EQ(rc, 0) << testsupport::read_file(dir.file("run.out")) << testsupport::read_file(dir.file("first.out"));
    EXPECT_EQ(testsupport::read_file(dir.file("first.rc")), "0\n") << testsupport::read_file(dir.file("first.out"));
    EXPECT_EQ(testsupport::read_file(dir.file("second.rc")), "0\n");
    EXPECT_NE(testsupport::read_file(dir.file("first.out")).find("probe: raised by another instance"),
              std::string::npos);

    const std::vector<std::string> events = Lines(dir.file("events.txt"));
    std::string missing;
    EXPECT_TRUE(InOrder(events,
                        {"move 100,120", "move 130,140", "down 130,140 1", "up 130,140 1", "down 130,140 -1",
                         "up 130,140 -1", "wheel 1", "wheel -1", "keydown 65", "char 97", "keyup 65",
                         "keydown 66", "char 98", "keyup 66", "keydown 13", "char 13", "keyup 13"},
                        &missing))
        << "missing " << missing << " in:\n" << testsupport::read_file(dir.file("events.txt"));

    // "InProgress" was 1 while running and is 0 after the clean end.
    EXPECT_EQ(InProgress(dir.file("during.txt")), 1);
    EXPECT_EQ(InProgress(dir.file("config/registry.txt")), 0);
}

// No display at all: SDL's fallback to drawing off screen must not count
// as one.
TEST(Window, NoDisplayFailsWithAMessage) {
    testsupport::TempDir dir;
    const std::string cmd = "cd " + dir.str() + " && timeout 60 env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER ASAN_OPTIONS=detect_leaks=0 " +
                            std::string(APP_WINDOW_PROBE) + " > out.txt 2>&1";
    const int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(testsupport::read_file(dir.file("out.txt")).find("This application requires a graphical display to run."),
              std::string::npos)
        << testsupport::read_file(dir.file("out.txt"));
}

}  // namespace
