#include "support/httpserver.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace lorix::test {
namespace {

int ListenLoopback(int& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0), one = 1;
    sockaddr_in a{.sin_family = AF_INET, .sin_port = 0, .sin_addr = {htonl(INADDR_LOOPBACK)}, .sin_zero = {}};
    socklen_t len = sizeof a;
    if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        throw std::runtime_error("cannot listen on the loopback interface");
    port = ntohs(a.sin_port);
    return fd;
}

} // namespace

LoopbackServer::LoopbackServer(std::function<HttpAnswer(const std::string&)> handler)
    : m_handler(std::move(handler))
{
    m_listen = ListenLoopback(m_port);
    m_thread = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer()
{
    m_stop = true;
    m_thread.join();
    for (std::thread& w : m_workers)
        w.join();
    ::close(m_listen);
}

void LoopbackServer::Answer(int c)
{
    std::string request;
    char buf[4096];
    for (ssize_t n; request.find("\r\n\r\n") == std::string::npos && (n = ::recv(c, buf, sizeof buf, 0)) > 0;)
        request.append(buf, static_cast<size_t>(n));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lastRequest = request.substr(0, request.find("\r\n\r\n"));
    }
    const HttpAnswer a = m_handler(TargetOf(request));
    // Wait in small steps so that a stopping server does not hang.
    for (int waited = 0; waited < a.delayMs && !m_stop; waited += 20)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::string length = a.endless ? "" : "\r\nContent-Length: " + std::to_string(a.body.size());
    const std::string response = "HTTP/1.0 " + std::to_string(a.status) + (a.status == 200 ? " OK" : " Error") +
                                 "\r\nContent-Type: text/plain" + length + "\r\nConnection: close\r\n" +
                                 a.headers + "\r\n" + a.body;
    bool sent = ::send(c, response.data(), response.size(), MSG_NOSIGNAL) >= 0;
    while (a.endless && sent && !m_stop)
        sent = ::send(c, a.body.data(), a.body.size(), MSG_NOSIGNAL) >= 0;
    ::close(c);
}

void LoopbackServer::Serve()
{
    while (!m_stop) {
        pollfd p{m_listen, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0)
            if (const int c = ::accept(m_listen, nullptr, nullptr); c >= 0)
                m_workers.emplace_back([this, c] { Answer(c); });
    }
}

std::string TargetOf(const std::string& request)
{
    const size_t sp1 = request.find(' '), sp2 = request.find(' ', sp1 + 1);
    return sp2 == std::string::npos ? "" : request.substr(sp1 + 1, sp2 - sp1 - 1);
}

int UnusedPort()
{
    int port = 0;
    ::close(ListenLoopback(port));
    return port;
}

} // namespace lorix::test
