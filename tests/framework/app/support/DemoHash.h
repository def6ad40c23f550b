#pragma once
// The state a demo must reproduce, hashed once per update: every input the
// widgets received so far and where they think the pointer is.
#include <cstddef>
#include <functional>
#include <string>

#include "RecordingWidgetManager.h"
#include "framework/app/VantAppBase.h"

namespace apptest {

inline std::size_t DemoStateHash(Vant::VantAppBase& app, const RecordingWidgetManager& wm) {
    std::string state;
    for (const std::string& e : wm.events) state += e + "|";
    state += std::to_string(app.mWidgetManager->mLastMouseX) + "," + std::to_string(app.mWidgetManager->mLastMouseY);
    return std::hash<std::string>()(state);
}

}  // namespace apptest
