#include "framework/app/HTTPTransfer.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "framework/app/Common.h"

namespace Vant {

namespace {

std::function<std::unique_ptr<plat::StreamSocket>()>& SocketFactory() {
    static std::function<std::unique_ptr<plat::StreamSocket>()> f = [] { return plat::NewStreamSocket(); };
    return f;
}

void Sleep20() { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }

bool StartsWith(const std::string& s, const char* prefix) { return s.compare(0, std::strlen(prefix), prefix) == 0; }

}  // namespace

namespace {
std::atomic<int> gNextTransferId{1};
}

int HTTPTransfer::NextId() { return gNextTransferId++; }

void HTTPTransfer::SetNextTransferId(int id) { gNextTransferId = id; }

void HTTPTransfer::SetSocketFactory(std::function<std::unique_ptr<plat::StreamSocket>()> factory) {
    SocketFactory() = factory ? std::move(factory) : [] { return plat::NewStreamSocket(); };
}

HTTPTransfer::HTTPTransfer() : mTransferId(NextId()) {}

HTTPTransfer::~HTTPTransfer() {
    mExiting = true;
    mAborted = true;
    if (mThread.joinable()) mThread.join();
}

std::string HTTPTransfer::GetContent() const {
    std::lock_guard<std::mutex> lock(mContentLock);
    return mContent;
}

void HTTPTransfer::AppendContent(const char* data, std::size_t size) {
    std::lock_guard<std::mutex> lock(mContentLock);
    mContent.append(data, size);
}

void HTTPTransfer::Reset() {
    if (mThreadRunning) {
        mExiting = true;
        mAborted = true;
    }
    // Playback has no worker to wait for: the recorded result clears active
    // when it is due, and nothing else would.
    while (mActive && mThreadRunning) {
        UpdateStatus();
        Sleep20();
    }
    if (mThread.joinable()) mThread.join();
    UpdateStatus();
    mActive = false;
    mResult = RESULT_NOT_STARTED;
    mLastRecordedResult = RESULT_NOT_STARTED;
    mTransferId = NextId();
    {
        std::lock_guard<std::mutex> lock(mContentLock);
        mContent.clear();
    }
    mURL.clear();
    mSendData.clear();
    mPath.clear();
    mExiting = false;
    mAborted = false;
}

void HTTPTransfer::ParseURL(const std::string& url) {
    mURL = url;
    mProtocol.clear();
    mPort = 80;
    std::string rest = url;
    const std::size_t slashes = url.find("//");
    if (slashes != std::string::npos) {
        mProtocol = slashes > 0 ? url.substr(0, slashes - 1) : std::string();
        rest = url.substr(slashes + 2);
    }
    const std::size_t slash = rest.find('/');
    if (slash != std::string::npos) {
        mHost = rest.substr(0, slash);
        mPath = rest.substr(slash);
    } else {
        mHost = rest;
        mPath = "/";
    }
    const std::size_t colon = mHost.find(':');
    if (colon != std::string::npos) {
        mPort = std::atoi(mHost.c_str() + colon + 1);
        mHost.resize(colon);
    }
}

void HTTPTransfer::StartTransfer(const std::string& url, const std::string& request) {
    Reset();
    mTransferId = NextId();
    ParseURL(url);
    mExiting = false;
    mAborted = false;
    mResult = RESULT_NOT_COMPLETED;
    mSendData = request;
    mActive = true;
    if (mDemo && mDemo->playing) return;
    mThreadRunning = true;
    mThread = std::thread([this] { Worker(); });
}

bool HTTPTransfer::WaitForSocket(plat::StreamSocket& socket, bool read, bool write) {
    for (;;) {
        if (mExiting) return true;
        switch (socket.WaitFor(read, write, 100)) {
            case plat::StreamSocket::Wait::Ready: return true;
            case plat::StreamSocket::Wait::Error:
                mExiting = true;
                mResult = RESULT_SOCKET_ERROR;
                return false;
            case plat::StreamSocket::Wait::Timeout: break;
        }
    }
}

void HTTPTransfer::Worker() {
    std::unique_ptr<plat::StreamSocket> socket = SocketFactory()();
    if (!socket) {
        mResult = RESULT_SOCKET_ERROR;
        mExiting = true;
    } else if (!mExiting) {
        switch (socket->Start(mHost, mPort)) {
            case plat::StreamSocket::Connect::NoSocket: mResult = RESULT_SOCKET_ERROR; mExiting = true; break;
            case plat::StreamSocket::Connect::NoHost: mResult = RESULT_INVALID_ADDR; mExiting = true; break;
            case plat::StreamSocket::Connect::Failed: mResult = RESULT_CONNECT_FAIL; mExiting = true; break;
            case plat::StreamSocket::Connect::Started:
                if (!WaitForSocket(*socket, false, true)) mResult = RESULT_CONNECT_FAIL;
                break;
        }
        while (!mExiting && !mSendData.empty()) {
            if (!WaitForSocket(*socket, false, true) || mExiting) break;
            const long n = socket->Send(mSendData.data(), mSendData.size());
            if (n <= 0) {
                mResult = RESULT_DISCONNECTED;
                mExiting = true;
                break;
            }
            mSendData.erase(0, std::size_t(n));
        }
        if (!mExiting) Receive(*socket);
        socket->Close();
    }
    if (mAborted) {
        mResult = RESULT_ABORTED;
        mExiting = true;
    } else if (mResult == RESULT_NOT_COMPLETED) {
        mResult = RESULT_DONE;
    }
    mThreadRunning = false;
    mActive = false;
}

void HTTPTransfer::Receive(plat::StreamSocket& socket) {
    HTTPResponseReader reader;
    char chunk[256];
    std::size_t shown = 0;
    while (!mExiting) {
        if (!WaitForSocket(socket, true, false) || mExiting) return;
        const long n = socket.Receive(chunk, sizeof chunk);
        if (n == plat::StreamSocket::kNothingYet) continue;
        const bool more = n > 0 && reader.Feed(chunk, std::size_t(n));
        const std::string& content = reader.Content();
        if (content.size() > shown) {
            AppendContent(content.data() + shown, content.size() - shown);
            shown = content.size();
        }
        if (reader.Result() != RESULT_NOT_COMPLETED) {
            mResult = reader.Result();
            mExiting = true;
            return;
        }
        if (!more) {
            const int result = n > 0 ? reader.Result() : reader.Finish();
            // A receive error is a socket failure, whatever was read.
            mResult = n < 0 ? RESULT_SOCKET_ERROR : result;
            return;
        }
    }
}

bool HTTPResponseReader::Feed(const char* data, std::size_t size) {
    if (mStopped) return false;
    mReceived.append(data, size);
    while (!mStopped && Step()) {
    }
    return !mStopped;
}

int HTTPResponseReader::Finish() const {
    if (mResult != HTTPTransfer::RESULT_NOT_COMPLETED) return mResult;
    if (mComplete) return HTTPTransfer::RESULT_DONE;
    // Without a length or chunks the close ends the body; anything else that
    // stops early is incomplete.
    if (mHeadersDone && mSawStatus && !mChunked && mContentLength < 0) return HTTPTransfer::RESULT_DONE;
    return HTTPTransfer::RESULT_SOCKET_ERROR;
}

// One piece of progress over the received bytes; false when more must arrive.
bool HTTPResponseReader::Step() {
    if (!mHeadersDone) {
        const std::size_t end = mReceived.find("\r\n");
        if (end == std::string::npos) return false;
        const std::string line = mReceived.substr(0, end);
        mReceived.erase(0, end + 2);
        if (StartsWith(line, "HTTP/1.")) {
            if (line.size() < 12) {
                mResult = HTTPTransfer::RESULT_SOCKET_ERROR;
                mStopped = true;
                return false;
            }
            mSawStatus = true;
            const std::string code = line.substr(9, 3);
            if (code == "404") {
                mResult = HTTPTransfer::RESULT_NOT_FOUND;
                mStopped = true;
            } else if (code != "200") {
                mResult = HTTPTransfer::RESULT_HTTP_ERROR;
                mStopped = true;
            }
        } else if (StartsWith(line, "Transfer-Encoding: ")) {
            if (line.substr(19) != "identity") mChunked = true;
        } else if (StartsWith(line, "Content-Length: ")) {
            mContentLength = std::atol(line.c_str() + 16);
        } else if (line.empty()) {
            if (!mSawStatus) {
                mResult = HTTPTransfer::RESULT_SOCKET_ERROR;
                mStopped = true;
                return false;
            }
            mHeadersDone = true;
            if (!mChunked && mContentLength == 0) {
                mComplete = true;
                mStopped = true;
            }
        }
        return true;
    }
    if (!mChunked) {
        if (mReceived.empty()) return false;
        if (mContentLength > 0) {
            const std::size_t take = std::min<std::size_t>(mReceived.size(), std::size_t(mContentLength));
            mContent.append(mReceived, 0, take);
            mReceived.erase(0, take);
            mContentLength -= long(take);
            if (mContentLength == 0) {
                mComplete = true;
                mStopped = true;
            }
        } else {
            mContent += mReceived;
            mReceived.clear();
        }
        return true;
    }
    if (mChunkTrailer) {
        if (mReceived.size() < 2) return false;
        mReceived.erase(0, 2);
        mChunkTrailer = false;
        return true;
    }
    if (mChunkLeft < 0) {
        const std::size_t end = mReceived.find("\r\n");
        if (end == std::string::npos) return false;
        const std::string line = TrimWhitespace(mReceived.substr(0, end));
        mReceived.erase(0, end + 2);
        unsigned size = 0;
        if (line.empty() || line.size() > 7 || !ParseHex(line, &size) || size == 0) {
            // The last chunk, or a size line that does not parse: the body
            // ends here.
            mComplete = size == 0 && !line.empty() && line.size() <= 7 && ParseHex(line, &size);
            if (!mComplete) mResult = HTTPTransfer::RESULT_SOCKET_ERROR;
            mStopped = true;
            return false;
        }
        mChunkLeft = long(size);
        return true;
    }
    if (mReceived.empty()) return false;
    const std::size_t take = std::min<std::size_t>(mReceived.size(), std::size_t(mChunkLeft));
    mContent.append(mReceived, 0, take);
    mReceived.erase(0, take);
    mChunkLeft -= long(take);
    if (mChunkLeft == 0) {
        mChunkLeft = -1;
        mChunkTrailer = true;
    }
    return true;
}

void HTTPTransfer::UpdateStatus() {
    if (!mDemo) return;
    if (mDemo->playing) {
        DemoReader* r = mDemo->reader;
        if (!r || mDemo->pastEnd || !r->ReadRecordHeader(mDemo->updateNum) || r->PendingCode() != DEMO_HTTP_RESULT)
            return;
        Buffer* b = mDemo->buffer;
        const int pos = b->GetReadBitPos();
        if (b->ReadLong() != mTransferId) {
            b->mReadBitPos = pos;
            return;
        }
        const int result = b->ReadByte();
        const std::string content = b->ReadString();
        r->TakeRecord();
        {
            std::lock_guard<std::mutex> lock(mContentLock);
            mContent = content;
        }
        mResult = result;
        mLastRecordedResult = result;
        if (result != RESULT_NOT_COMPLETED) mActive = false;
        return;
    }
    if (mDemo->recording && mDemo->writer) {
        const int result = mResult;
        if (result == mLastRecordedResult) return;
        mDemo->writer->BeginRecord(mDemo->updateNum, DEMO_HTTP_RESULT);
        mDemo->buffer->WriteLong(mTransferId);
        mDemo->buffer->WriteByte(uint8_t(result));
        mDemo->buffer->WriteString(result == RESULT_NOT_COMPLETED ? std::string() : GetContent());
        mLastRecordedResult = result;
    }
}

}  // namespace Vant
