#include <gtest/gtest.h>

#include "support/LoopbackListen.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "framework/app/HTTPTransfer.h"

using Vant::HTTPTransfer;

namespace {

// One connection on 127.0.0.1: reads the request up to its blank line,
// sends the reply, then closes or holds the connection until told.
class LoopbackServer {
public:
    LoopbackServer(std::string reply, bool close) : mReply(std::move(reply)), mClose(close) {
        mListen = apptest::listen_on_loopback(mPort);
        mThread = std::thread([this] { Serve(); });
    }
    ~LoopbackServer() {
        mDone = true;
        mThread.join();
        ::close(mListen);
    }
    int Port() const { return mPort; }
    // Ends the connection and gives what the client sent.
    std::string Request() {
        mDone = true;
        mThread.join();
        mThread = std::thread([] {});
        return mRequest;
    }

private:
    void Serve() {
        pollfd p{mListen, POLLIN, 0};
        while (!mDone && ::poll(&p, 1, 20) == 0) {
        }
        if (mDone) return;
        const int c = ::accept(mListen, nullptr, nullptr);
        char buf[512];
        while (mRequest.find("\r\n\r\n") == std::string::npos) {
            const ssize_t n = ::recv(c, buf, sizeof buf, 0);
            if (n <= 0) break;
            mRequest.append(buf, std::size_t(n));
        }
        ::send(c, mReply.data(), mReply.size(), MSG_NOSIGNAL);
        while (!mClose && !mDone) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ::close(c);
    }

    std::string mReply, mRequest;
    bool mClose;
    std::atomic<bool> mDone{false};
    int mListen, mPort = 0;
    std::thread mThread;
};

int WaitDone(HTTPTransfer& t) {
    for (int i = 0; i < 1000 && t.IsActive(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return t.GetResult();
}

const char kRequest[] = "GET / HTTP/1.1\r\nHost: x\r\n\r\n";

}  // namespace

TEST(HTTPTransfer, ResponsesAgainstALoopbackServer) {
    struct Case { const char* what; std::string reply; bool close; int result; std::string content; };
    const Case cases[] = {
        {"length", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA", false, 0, "hello"},
        {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1a\r\nabcdefghijklmnopqrstuvwxyz\r\n3\r\n123\r\n0\r\n\r\n",
         false, 0, "abcdefghijklmnopqrstuvwxyz123"},
        {"gzip as chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\n2\r\nok\r\n0\r\n\r\n", false, 0, "ok"},
        {"until close", "HTTP/1.0 200 OK\r\n\r\nall of it", true, 0, "all of it"},
        {"404", "HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nabc", false, 3, ""},
        {"302 at once", "HTTP/1.1 302 Found\r\nContent-Length: 3\r\n\r\nabc", false, 4, ""},
        {"close before status", "", true, 6, ""},
        {"truncated body", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", true, 6, "abc"},
        {"truncated chunks", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab", true, 6, "ab"},
        {"short status line", "HTTP/1.1 20\r\n\r\n", true, 6, ""},
    };
    for (const Case& c : cases) {
        LoopbackServer server(c.reply, c.close);
        HTTPTransfer t;
        t.StartTransfer("http://127.0.0.1:" + std::to_string(server.Port()) + "/x", kRequest);
        EXPECT_EQ(WaitDone(t), c.result) << c.what;
        EXPECT_EQ(t.GetContent(), c.content) << c.what;
        EXPECT_EQ(server.Request(), kRequest) << c.what;
    }
}

TEST(HTTPTransfer, ResetWhileTheWorkerWaitsReturnsQuickly) {
    LoopbackServer server("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nab", false);
    HTTPTransfer t;
    t.StartTransfer("127.0.0.1:" + std::to_string(server.Port()), kRequest);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_TRUE(t.IsActive());
    const auto start = std::chrono::steady_clock::now();
    t.Reset();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    // One wait period plus a 20 ms poll, with room for a loaded machine.
    EXPECT_LT(ms.count(), 1000);
    EXPECT_EQ(t.GetResult(), HTTPTransfer::RESULT_NOT_STARTED);
    EXPECT_FALSE(t.IsActive());
}

TEST(HTTPTransfer, URLTable) {
    struct Case { const char* url; const char* protocol; const char* host; int port; const char* path; };
    const Case cases[] = {
        {"example.invalid:8080", "", "example.invalid", 8080, "/"},
        {"http://a.b/c/d?e", "http", "a.b", 80, "/c/d?e"},
        {"https://h:99/", "https", "h", 99, "/"},
        {"h", "", "h", 80, "/"},
    };
    for (const Case& c : cases) {
        HTTPTransfer t;
        Vant::DemoChannel playing;
        playing.playing = true;  // parse only: no connection
        t.SetDemoChannel(&playing);
        t.StartTransfer(c.url, "");
        EXPECT_EQ(t.mProtocol, c.protocol) << c.url;
        EXPECT_EQ(t.mHost, c.host) << c.url;
        EXPECT_EQ(t.mPort, c.port) << c.url;
        EXPECT_EQ(t.mPath, c.path) << c.url;
    }
}

TEST(HTTPTransfer, RecordedResultsReplayWithoutASocket) {
    LoopbackServer server("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\ndata", false);
    Vant::Buffer buffer;
    Vant::DemoWriter writer(&buffer);
    Vant::DemoChannel rec;
    rec.recording = true;
    rec.buffer = &buffer;
    rec.writer = &writer;
    rec.updateNum = 7;
    HTTPTransfer::SetNextTransferId(100);
    HTTPTransfer t;
    t.SetDemoChannel(&rec);
    t.StartTransfer("127.0.0.1:" + std::to_string(server.Port()), kRequest);
    const int id = t.GetTransferId();
    t.UpdateStatus();  // records "in progress"
    ASSERT_EQ(WaitDone(t), 0);
    rec.updateNum = 9;
    t.UpdateStatus();

    // Playback: every socket request fails the test.
    int sockets = 0;
    HTTPTransfer::SetSocketFactory([&] { ++sockets; return std::unique_ptr<plat::StreamSocket>(); });
    buffer.SeekFront();
    Vant::DemoReader reader(&buffer);
    Vant::DemoChannel play;
    play.playing = true;
    play.buffer = &buffer;
    play.reader = &reader;
    HTTPTransfer::SetNextTransferId(100);
    HTTPTransfer p;
    p.SetDemoChannel(&play);
    p.StartTransfer("127.0.0.1:1", kRequest);
    ASSERT_EQ(p.GetTransferId(), id);
    for (int u = 0; u <= 9; ++u) {
        play.updateNum = u;
        p.UpdateStatus();
        if (u < 7) {
            EXPECT_EQ(p.GetResult(), HTTPTransfer::RESULT_NOT_COMPLETED) << u;
        }
    }
    EXPECT_EQ(p.GetResult(), 0);
    EXPECT_EQ(p.GetContent(), "data");
    EXPECT_FALSE(p.IsActive());
    p.Reset();  // must not wait for a worker that never ran
    EXPECT_EQ(sockets, 0);
    HTTPTransfer::SetSocketFactory(nullptr);
}
