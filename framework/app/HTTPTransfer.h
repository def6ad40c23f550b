#pragma once
// One caller-built HTTP request over one TCP connection, run on a worker
// thread; the owner polls the result. While a demo records, each change of
// the result is written to it; while one plays, no connection is made and
// the result comes from the demo.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "framework/app/DemoStream.h"
#include "platform/Socket.h"

namespace Vant {

class HTTPTransfer {
public:
    enum Result {
        RESULT_DONE = 0,
        RESULT_NOT_STARTED = 1,
        RESULT_NOT_COMPLETED = 2,
        RESULT_NOT_FOUND = 3,
        RESULT_HTTP_ERROR = 4,
        RESULT_ABORTED = 5,
        RESULT_SOCKET_ERROR = 6,
        RESULT_INVALID_ADDR = 7,
        RESULT_CONNECT_FAIL = 8,
        RESULT_DISCONNECTED = 9,
    };

    HTTPTransfer();
    virtual ~HTTPTransfer();

    void StartTransfer(const std::string& url, const std::string& request);
    void Reset();
    void UpdateStatus();

    int GetResult() const { return mResult.load(); }
    bool IsActive() const { return mActive.load(); }
    std::string GetContent() const;
    int GetTransferId() const { return mTransferId; }

    // Where sockets come from; tests hand in fakes.
    static void SetSocketFactory(std::function<std::unique_ptr<plat::StreamSocket>()> factory);
    // Restarts the process-wide id sequence, so a replay inside the process
    // that recorded sees the same ids.
    static void SetNextTransferId(int id);
    // The demo state the exchange follows; null for none.
    void SetDemoChannel(DemoChannel* channel) { mDemo = channel; }

    std::string mURL, mProtocol, mHost, mPath;
    int mPort = 80;

private:
    void ParseURL(const std::string& url);
    void Worker();
    void Receive(plat::StreamSocket& socket);
    bool WaitForSocket(plat::StreamSocket& socket, bool read, bool write);
    void AppendContent(const char* data, std::size_t size);
    static int NextId();

    int mTransferId;
    std::string mSendData;
    mutable std::mutex mContentLock;
    std::string mContent;
    std::atomic<bool> mActive{false};
    std::atomic<bool> mThreadRunning{false};
    std::atomic<bool> mExiting{false};
    std::atomic<bool> mAborted{false};
    std::atomic<int> mResult{RESULT_NOT_STARTED};
    int mLastRecordedResult = RESULT_NOT_STARTED;
    std::thread mThread;
    DemoChannel* mDemo = nullptr;
};

// Parses one HTTP response pushed in pieces, as the worker does; exposed so
// the response reader can be fed from anything.
class HTTPResponseReader {
public:
    // Takes more bytes; false once the response is over (stop reading).
    bool Feed(const char* data, std::size_t size);
    // The connection ended; the result for what was read.
    int Finish() const;
    int Result() const { return mResult; }
    const std::string& Content() const { return mContent; }
    bool Stopped() const { return mStopped; }

private:
    bool Step();

    std::string mReceived;
    std::string mContent;
    bool mHeadersDone = false, mSawStatus = false, mChunked = false, mComplete = false, mStopped = false;
    long mContentLength = -1;
    long mChunkLeft = -1;  // -1: no chunk open
    bool mChunkTrailer = false;
    int mResult = HTTPTransfer::RESULT_NOT_COMPLETED;
};

}  // namespace Vant
