// The main loop: pump steps that drain input, run fixed-length updates owed
// by the clock, and draw when something changed.
#include <cmath>

#include "framework/app/CrashReport.h"
#include "framework/app/SoundManager.h"
#include "framework/app/VantAppBase.h"

namespace Vant {

namespace {
// The vsync-locked step takes this much more off the elapsed time per frame
// (a single-precision 0.2, as the pacing always used).
constexpr double kVSyncSlack = 0.20000000298023224;
// Owed updates below one by less than this count as one whole update, so a
// sum of increments such as 6 x 5/6 is not lost to rounding.
constexpr double kOwedEpsilon = 1e-9;
}  // namespace

bool VantAppBase::MainLoop() {
    while (!mShutdown) {
        if (mExitToTop) mExitToTop = false;
        UpdateApp();
    }
    return mShutdown;
}

bool VantAppBase::UpdateApp() {
    for (;;) {
        bool updated = false;
        if (!UpdateAppStep(&updated)) return false;
        if (updated) return true;
    }
}

bool VantAppBase::UpdateAppStep(bool* updated) {
    *updated = false;
    if (mExitToTop) return false;
    if (mUpdateAppState == 3) mUpdateAppState = 0;
    ++mUpdateAppDepth;
    if (mUpdateAppState == 0) {
        mHost->PumpMessages(this);
        ProcessDemo();
        ProcessDeferredMessages(true);
        if (mDeferredMessages.empty()) mUpdateAppState = 1;
    } else if (mStepMode == 0) {
        const int before = mUpdateCount;
        ProcessTimedUpdate(true);
        *updated = mUpdateCount != before;
    } else if (mStepMode == 1) {
        mStepMode = 2;
        DoUpdateFrames();
        UpdateFramesFractional(1.0f);
        DrawDirtyStuff();
    } else {
        SleepMs(mFrameTime);
        mUpdateAppState = 3;
    }
    --mUpdateAppDepth;
    return true;
}

void VantAppBase::SampleElapsed() {
    const std::uint32_t now = Tick();
    if (mLastTimeCheck != 0) {
        const int diff = plat::TickDiff(now, mLastTimeCheck);
        mUpdateFTimeAcc = std::min(mUpdateFTimeAcc + diff, 200.0);
        if (mNoCatchupTime > 0) mNoCatchupTime = std::max(mNoCatchupTime - diff, 0);
    }
    mLastTimeCheck = now;
}

bool VantAppBase::ProcessTimedUpdate(bool allowSleep) {
    if (mShutdownRequestedAsync.exchange(false)) Shutdown();

    const bool vsynced = !mPlayingDemo && mVSyncUpdates && !mLastDrawWasEmpty && !mVSyncBroken &&
                         (!mIsPhysWindowed || (mWaitForVSync && !mSoftVSyncWait));
    double frameTime, updatesPerFrame;
    if (vsynced) {
        frameTime = 1000.0 / mSyncRefreshRate / mUpdateMultiplier;
        updatesPerFrame = 1000.0 / (static_cast<double>(mFrameTime) * mSyncRefreshRate);
    } else {
        frameTime = mFrameTime / mUpdateMultiplier;
        updatesPerFrame = 1.0;
    }

    if (mPlayingDemo && (mUpdateCount < mFastForwardToUpdateNum || mFastForwardToMarker)) {
        bool handled = false;
        const bool result = DemoFastForward(updatesPerFrame, &handled);
        if (handled) return result;
    }

    if (mPaused || mUpdateMultiplier <= 0.0) {
        // Keep the sample current so leaving the pause does not catch up,
        // and end the step so the next one pumps input again.
        mLastTimeCheck = Tick();
        mUpdateFTimeAcc = 0.0;
        mUpdateAppState = 3;
        ProcessSafeDeleteQueue();
        return true;
    }

    const std::uint32_t stepStart = Tick();
    int slept = 0;
    if (!vsynced) SampleElapsed();

    auto throttleAndFinish = [&]() -> bool {
        if (mLoadingThrottle && mLoadingThreadStarted && !mLoadingThreadCompleted) {
            int t = 2 * (plat::TickDiff(Tick(), stepStart) - slept) - slept;
            if (t > 250) t = 250;
            if (t >= 0) {
                if (!allowSleep) return false;
                SleepMs(t);
            }
        }
        ProcessSafeDeleteQueue();
        return true;
    };
    auto endOfStep = [&]() -> bool {
        mUpdateAppState = 3;
        mUpdateStepCount = 0;
        if (mHasPendingDraw) {
            DrawDirtyStuff();
        } else {
            const int wait = static_cast<int>(frameTime - mUpdateFTimeAcc);
            if (wait > 0) {
                if (!allowSleep) return false;
                ++mSleepCount;
                SleepMs(wait);
                slept = wait;
            }
        }
        return throttleAndFinish();
    };

    if (mUpdateAppState == 1) {
        ++mUpdateStepCount;
        if (mUpdateStepCount >= static_cast<int>(std::ceil(mUpdateMultiplier * 10.0)) &&
            mLoadingThreadCompletedSeen)
            return endOfStep();
        bool due;
        if (vsynced) due = !mHasPendingDraw || std::trunc(frameTime * 0.75) <= mUpdateFTimeAcc;
        else due = mUpdateFTimeAcc >= frameTime;
        if (!due) return endOfStep();

        if (vsynced && mPendingUpdatesAcc + updatesPerFrame < 1.0 - kOwedEpsilon) {
            // A displayed frame that owes less than one whole update (refresh
            // faster than the update rate) carries the fraction and only draws;
            // running an update anyway would speed the game up.
            mPendingUpdatesAcc += updatesPerFrame;
            UpdateFramesFractional(static_cast<float>(updatesPerFrame));
            mUpdateFTimeAcc = std::max(mUpdateFTimeAcc - frameTime - kVSyncSlack, 0.0);
            mHasPendingDraw = true;
            mUpdateAppState = 3;
            return throttleAndFinish();
        }

        if (!mPlayingDemo && mUpdateMultiplier == 1.0) {
            // More updates per second than the clock owes: the display does
            // not really wait for vsync.
            if (++mVSyncBrokenTestUpdates >= (mFrameTime + 999) / mFrameTime) {
                const std::uint32_t now = Tick();
                if (plat::TickDiff(now, mVSyncBrokenTestStartTick) <= 800) {
                    if (++mVSyncBrokenCount >= 3) mVSyncBroken = true;
                } else {
                    mVSyncBrokenCount = 0;
                }
                mVSyncBrokenTestStartTick = now;
                mVSyncBrokenTestUpdates = 0;
            }
        }
        if (DoUpdateFrames()) mUpdateAppState = 2;
        mHasPendingDraw = true;
        return throttleAndFinish();
    }

    if (mUpdateAppState == 2) {
        mPendingUpdatesAcc += updatesPerFrame - 1.0;
        mUpdateAppState = 3;
        ProcessSafeDeleteQueue();
        while (mPendingUpdatesAcc >= 1.0 - kOwedEpsilon) {
            ProcessDemo();
            ++mUpdateStepCount;
            if (!DoUpdateFrames()) break;
            ProcessSafeDeleteQueue();
            mPendingUpdatesAcc -= 1.0;
        }
        UpdateFramesFractional(static_cast<float>(updatesPerFrame));
        ProcessSafeDeleteQueue();
        mUpdateFTimeAcc -= frameTime;
        if (vsynced) {
            mUpdateFTimeAcc -= kVSyncSlack;
            if (mUpdateFTimeAcc <= 0.0) mUpdateFTimeAcc = 0.0;
        }
        if (mNoCatchupTime > 0) mUpdateFTimeAcc = 0.0;
        return throttleAndFinish();
    }

    return endOfStep();
}

bool VantAppBase::DemoFastForward(double updatesPerFrame, bool* handled) {
    *handled = true;
    while (mUpdateCount < mFastForwardToUpdateNum || mFastForwardToMarker) {
        if (mDemoReader.Exhausted() && mUpdateCount >= mDemoLength) {
            // Past the end of the demo there is nothing left to hurry to.
            mFastForwardToMarker = false;
            mFastForwardToUpdateNum = 0;
            break;
        }
        if (!mFastForwardMuted && !mFastForwardStep) {
            mFastForwardMuted = true;
            Mute(true);
        }
        mLastTimeCheck = Tick();
        mUpdateFTimeAcc = 0.0;
        const int before = mUpdateCount;
        ProcessDemo();
        if (DoUpdateFrames()) {
            mPendingUpdatesAcc += updatesPerFrame - 1.0;
            ProcessSafeDeleteQueue();
            while (mPendingUpdatesAcc >= 1.0) {
                ProcessDemo();
                if (!DoUpdateFrames()) break;
                ProcessSafeDeleteQueue();
                mPendingUpdatesAcc -= 1.0;
            }
            UpdateFramesFractional(static_cast<float>(updatesPerFrame));
            ProcessSafeDeleteQueue();
        }
        if (mUpdateCount == before) return true;
        const std::uint32_t now = mHost->Clock().TickMs();
        if (plat::TickDiff(now, mLastFastForwardRepaint) >= 1000 || mFastForwardStep) {
            mFastForwardStep = false;
            mLastFastForwardRepaint = now;
            DrawDirtyStuff();
            return true;
        }
    }
    if (mFastForwardMuted) {
        mFastForwardMuted = false;
        if (mSoundManager) mSoundManager->StopAllSounds();
        Unmute(true);
    }
    *handled = false;
    return true;
}

void VantAppBase::NoteLoadingCompletion() {
    if (mLoadingThreadCompleted && !mLoadingThreadCompletedSeen) {
        mLoadingThreadCompletedSeen = true;
        mLoadingThrottle = false;
        UpdateScreenSaverInhibit();
        LoadingThreadCompleted();
    }
}

bool VantAppBase::DoUpdateFrames() {
    if (mPlayingDemo) {
        // Updates wait for the demo: every record of this update number is
        // applied first, and the loading completion comes when it came.
        if (mDemoLoadingComplete) NoteLoadingCompletion();
        if (mLoadingThreadCompletedSeen != mDemoLoadingComplete) return false;
        if (!mDemoReader.Exhausted() && mDemoReader.ReadRecordHeader(mUpdateCount)) return false;
    } else {
        const bool seen = mLoadingThreadCompletedSeen;
        NoteLoadingCompletion();
        if (!seen && mLoadingThreadCompletedSeen && mRecordingDemo)
            mDemoWriter.BeginRecord(mUpdateCount, DEMO_LOADING_COMPLETE);
    }
    UpdateFrames();
    return true;
}

void VantAppBase::UpdateFrames() {
    ++mUpdateCount;
    DemoState();
    // What a crash report says of the run stays close to the present.
    if (mUpdateCount % 500 == 0) RefreshAppCrashTexts(this);
    if (!mMinimized && mWidgetManager->UpdateFrame()) ++mUpdatesWithChanges;
    if (mMusicInterface) mMusicInterface->Update();
    CleanSharedImages();
}

void VantAppBase::UpdateFramesFractional(float fraction) {
    const bool vsynced = mVSyncUpdates && !mVSyncBroken;
    if (vsynced && !mMinimized) mWidgetManager->UpdateFrameFraction(fraction);
}

bool VantAppBase::DrawDirtyStuff() {
    const std::uint32_t now = Tick();
    mIsDrawing = true;
    const bool drew = mWidgetManager->DrawScreen();
    mIsDrawing = false;

    auto nothing = [&] {
        mLastDrawWasEmpty = true;
        mHasPendingDraw = false;
        return false;
    };
    if (!drew && plat::TickDiff(now, mLastDrawTick) < 1000 && !mForceDraw) return nothing();
    if (plat::TickDiff(now, mNextDrawTick) < 0) return nothing();

    ++mDrawCount;
    mLastDrawWasEmpty = false;
    const std::uint32_t drawTime = Tick() - now;
    mDrawTime += drawTime;
    mFPSDrawTime += drawTime;
    if (mShowFPS) DrawDebugOverlay();
    if (mWaitForVSync && mIsPhysWindowed && mSoftVSyncWait && mDisplay) {
        const int period = 1000 / std::max(mDisplay->RefreshRate(), 1);
        const int wait = period - plat::TickDiff(Tick(), mLastDrawTick);
        if (wait > 0) SleepMs(wait);
    }
    const std::uint32_t blit = Tick();
    mLastDrawTick = blit;
    Redraw();
    SampleElapsed();
    mScreenBltTime = static_cast<int>(Tick() - blit);

    if (mLoadingThreadStarted && !mLoadingThreadCompleted) {
        int d = plat::TickDiff(Tick(), now);
        if (d < 16) d = 15;
        mNextDrawTick += static_cast<std::uint32_t>(d + 35);
        // A schedule that fell behind starts again from this draw, so the
        // next one still waits its 50 ms and more.
        if (plat::TickDiff(mNextDrawTick, Tick()) <= 0) mNextDrawTick = now + static_cast<std::uint32_t>(d + 35);
    } else {
        mNextDrawTick = now;
    }
    mHasPendingDraw = false;
    mForceDraw = false;
    return true;
}

void VantAppBase::Redraw() {
    ++mRedrawCount;
    if (mIsDrawing || mShutdown || !mDisplay) return;
    if (mDisplay->Redraw()) return;
    // The display was lost: try to bring it back, at most once a second
    // while inactive.
    const std::uint32_t now = Tick();
    static thread_local std::uint32_t lastRetry = 0;
    if (mMinimized || !(mActive || (plat::TickDiff(now, lastRetry) > 1000 && mIsPhysWindowed))) return;
    lastRetry = now;
    PreDisplayInit();
    ReleaseImages();
    const int result = mDisplay->Init(mHWnd, mIsPhysWindowed);
    RecordScreenMode();
    if (result == DisplayInterface::kOk) {
        RestoreImages();
        mWidgetManager->MarkAllDirty();
        mLastTime = now;
    } else if (mIsPhysWindowed && result == DisplayInterface::kBadDesktopDepth) {
        if (mActive) {
            SwitchScreenMode(false);
            mForceFullscreen = true;
        }
    } else if (result == DisplayInterface::kNo3D) {
        Set3DMode(false, true);
    }
}

void VantAppBase::ProcessSafeDeleteQueue() {
    // A widget queued at a deeper pump level than the current one may still
    // be in use there; it waits until that level has unwound.
    for (std::size_t i = 0; i < mSafeDeleteList.size();) {
        if (mSafeDeleteList[i].depth >= mUpdateAppDepth) {
            DeferredDelete d = std::move(mSafeDeleteList[i]);
            mSafeDeleteList.erase(mSafeDeleteList.begin() + static_cast<std::ptrdiff_t>(i));
            if (d.deleter) d.deleter();
        } else {
            ++i;
        }
    }
}

}  // namespace Vant
