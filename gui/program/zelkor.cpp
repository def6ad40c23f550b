#include "framework/app/CrashReport.h"
#include "gui/GameApp.h"

int main(int argc, char** argv) {
    // A crashed run starts the program again to show and send its report.
    if (Vant::CrashReportRequested()) return Vant::RunCrashReportWithWindow();
    return orvek::trelm::run_game(argc, argv);
}
