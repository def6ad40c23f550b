#include "framework/graphics/Image.h"

namespace Vant {

void ImageAnimation::Compute(int numCels, int beginDelay, int endDelay) {
    numFrames = numCels < 1 ? 1 : numCels;
    if (frameDelay < 1) frameDelay = 1;
    if (type == PingPong && numFrames > 1) {
        frameMap.clear();
        for (int i = 0; i < numFrames; ++i) frameMap.push_back(i);
        for (int i = numFrames - 2; i >= 1; --i) frameMap.push_back(i);
    }
    if (!frameMap.empty()) numFrames = static_cast<int>(frameMap.size());
    if (beginDelay > 0) {
        if (perFrameDelay.empty()) perFrameDelay.resize(1);
        perFrameDelay[0] = beginDelay;
    }
    if (endDelay > 0) {
        if (perFrameDelay.size() < static_cast<size_t>(numFrames)) perFrameDelay.resize(numFrames, 0);
        perFrameDelay[numFrames - 1] = endDelay;
    }
    if (!perFrameDelay.empty()) {
        perFrameDelay.resize(numFrames, 0);
        totalDuration = 0;
        for (int& d : perFrameDelay) {
            if (d < 1) d = frameDelay;
            totalDuration += d;
        }
    } else {
        totalDuration = numFrames * frameDelay;
    }
    if (!frameMap.empty()) frameMap.resize(numFrames, 0);
}

}  // namespace Vant
