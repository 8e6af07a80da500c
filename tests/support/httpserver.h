#pragma once
// A tiny HTTP/1.0 server on the loopback interface for tests of the fetch:
// each connection gets one answer from the handler, on its own thread, which sees the request
// target (path and query). Runs on its own thread until destroyed.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lorix::test {

struct HttpAnswer {
    int status = 200;
    std::string body;
    int delayMs = 0; // wait this long before answering
    bool endless = false; // no length: body is sent again and again until the client hangs up
    std::string headers = {}; // more header lines, each ended by CR LF ("Location: ...\r\n")
};

// The target of a request ("GET /path?query HTTP/1.0": between the first two blanks).
std::string TargetOf(const std::string& request);

class LoopbackServer {
public:
    explicit LoopbackServer(std::function<HttpAnswer(const std::string& target)> handler);
    ~LoopbackServer(); // not copyable: it owns its threads

    // "http://127.0.0.1:PORT" + path
    std::string url(const std::string& p) const { return "http://127.0.0.1:" + std::to_string(m_port) + p; }
    // The request line and header lines of the last request, and its target.

    std::string lastRequest() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lastRequest;
    }
    std::string lastTarget() const { return TargetOf(lastRequest()); }

private:
    void Serve();
    void Answer(int connection);
    std::function<HttpAnswer(const std::string&)> m_handler;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::string m_lastRequest;
    mutable std::mutex m_mutex;
    std::thread m_thread;
    std::vector<std::thread> m_workers; // one per connection
};

// A port on which nothing listens (bound, then closed again).
int UnusedPort();

} // namespace lorix::test
