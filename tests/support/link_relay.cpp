#include "link_relay.h"

#include <QUrl>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <deque>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Bytes held in one direction beyond which the relay reads no more from
// that side until some are passed on, as a full link would.
constexpr qsizetype kMaxHeld = 4 << 20;
// The longest the relay's thread waits before it looks at stop().
constexpr int kLongestWaitMs = 10;

// A chunk read from one side, due to be written to the other.
struct Chunk {
    Clock::time_point due;
    QByteArray bytes;
    bool cutAfter = false;  // cut the link once this chunk is passed on
};

// One direction of a link: the chunks read from `from` not yet written
// to `to`, oldest first; the first may be written in part.
struct Direction {
    int from = -1;
    int to = -1;
    std::deque<Chunk> held;
    qsizetype written = 0;  // bytes of the first chunk already written
    qsizetype bytes = 0;    // bytes held in all
    bool ended = false;     // `from` closed its side; pass on what is held, then close

    bool due(Clock::time_point now) const { return !held.empty() && held.front().due <= now; }
};

void nonBlocking(int fd)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

int connectTo(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(port);
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
        ::close(fd);
        return -1;
    }
    nonBlocking(fd);
    return fd;
}

}  // namespace

// A client's connection and the relay's own to the server.
struct LinkRelay::Link {
    Direction up;    // client to server
    Direction down;  // server to client
    Clock::time_point opened;
    bool serverSpokeLast = true;  // so the client's first bytes begin a round trip

    Link(int client, int server) : opened(Clock::now())
    {
        up.from = down.to = client;
        up.to = down.from = server;
    }
    ~Link()
    {
        ::close(up.from);
        ::close(up.to);
    }
};

LinkRelay::LinkRelay(int serverPort, int rttMs) : serverPort_(serverPort), rttMs_(std::max(0, rttMs))
{
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof at;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&at), size) != 0 || ::listen(listener_, 16) != 0
        || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&at), &size) != 0) {
        ::close(listener_);
        throw std::runtime_error("the relay cannot listen on 127.0.0.1");
    }
    port_ = ntohs(at.sin_port);
    thread_ = std::thread([this] { serve(); });
}

LinkRelay::~LinkRelay()
{
    stop();
}

void LinkRelay::stop()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    if (listener_ >= 0)
        ::close(listener_);
    listener_ = -1;
}

QString LinkRelay::through(const QString& url) const
{
    QUrl u(url);
    u.setHost(QStringLiteral("127.0.0.1"));
    u.setPort(port_);
    return u.toString();
}

void LinkRelay::cutAfter(const QByteArray& marker)
{
    std::lock_guard lock(mutex_);
    marker_ = marker;
    stallAtMarker_ = false;
}

void LinkRelay::stallAfter(const QByteArray& marker)
{
    std::lock_guard lock(mutex_);
    marker_ = marker;
    stallAtMarker_ = true;
}

bool LinkRelay::markerIn(const QByteArray& chunk)
{
    std::lock_guard lock(mutex_);
    if (marker_.isEmpty() || !chunk.contains(marker_))
        return false;
    marker_.clear();
    return true;
}

// Reads what is ready on each side, writes what is due, accepts new
// clients; all connections on this one thread.
void LinkRelay::serve()
{
    const auto halfRtt = std::chrono::microseconds(rttMs_ * 500);
    const auto handshake = std::chrono::milliseconds(rttMs_);
    std::vector<std::unique_ptr<Link>> links;
    while (!stop_) {
        const bool stalled = stalled_;
        const Clock::time_point now = Clock::now();

        // Wait for bytes to read, room to write, or the next chunk due.
        std::vector<pollfd> fds{{listener_, POLLIN, 0}};
        Clock::time_point wake = now + std::chrono::milliseconds(kLongestWaitMs);
        for (size_t i = 0; i < links.size() && !stalled; ++i) {
            for (const Direction* d : {&links[i]->up, &links[i]->down}) {
                // A side that has closed is polled no more (it would report so at once).
                fds.push_back({d->ended ? -1 : d->from, short(d->bytes < kMaxHeld ? POLLIN : 0), 0});
                fds.push_back({d->to, short(d->due(now) ? POLLOUT : 0), 0});
                if (!d->held.empty() && !d->due(now))  // one due now waits for POLLOUT
                    wake = std::min(wake, d->held.front().due);
            }
        }
        // ppoll, not poll: a wait to the microsecond keeps a short RTT true.
        const auto waitNs = std::max<qint64>(0, std::chrono::nanoseconds(wake - now).count());
        const timespec wait{time_t(waitNs / 1000000000), long(waitNs % 1000000000)};
        if (::ppoll(fds.data(), fds.size(), &wait, nullptr) < 0 && errno != EINTR)
            break;

        if (fds[0].revents & POLLIN) {
            const int client = ::accept(listener_, nullptr, nullptr);
            const int server = client < 0 ? -1 : connectTo(serverPort_);
            if (server < 0) {
                if (client >= 0)
                    ::close(client);
            } else {
                nonBlocking(client);
                links.push_back(std::make_unique<Link>(client, server));
                ++roundTrips_;  // the handshake
            }
        }
        if (stalled)
            continue;

        bool cutNow = false;
        for (size_t i = 0; i < links.size() && 1 + 4 * i < fds.size() && !cutNow; ++i) {
            Link& link = *links[i];
            bool closed = false;
            for (int side = 0; side < 2; ++side) {
                Direction& d = side == 0 ? link.up : link.down;
                const pollfd& in = fds[1 + 4 * i + 2 * side];
                if (!d.ended && (in.revents & (POLLIN | POLLHUP | POLLERR))) {
                    char buffer[65536];
                    const ssize_t n = ::read(d.from, buffer, sizeof buffer);
                    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
                        d.ended = true;
                    } else if (n > 0) {
                        const Clock::time_point read = Clock::now();
                        Chunk chunk{read + halfRtt, QByteArray(buffer, n)};
                        if (side == 0) {
                            chunk.due = std::max(chunk.due, link.opened + handshake + halfRtt);
                            chunk.cutAfter = markerIn(chunk.bytes);
                            if (link.serverSpokeLast)
                                ++roundTrips_;
                        }
                        link.serverSpokeLast = side == 1;
                        d.bytes += n;
                        d.held.push_back(std::move(chunk));
                    }
                }
                // Write what is due, oldest first, as far as the socket takes it.
                while (!closed && !cutNow && d.due(Clock::now())) {
                    Chunk& first = d.held.front();
                    const ssize_t n = ::send(d.to, first.bytes.constData() + d.written, first.bytes.size() - d.written, MSG_NOSIGNAL);
                    if (n < 0) {
                        closed = errno != EAGAIN && errno != EINTR;
                        break;
                    }
                    d.written += n;
                    if (d.written < first.bytes.size())
                        break;
                    cutNow = first.cutAfter;  // nothing more passes once it is through
                    d.bytes -= first.bytes.size();
                    d.written = 0;
                    d.held.pop_front();
                }
                // One side went away: so does the other, once the last bytes
                // it sent are through, as over a real link.
                closed = closed || (d.ended && d.held.empty());
            }
            if (closed) {
                links.erase(links.begin() + i);
                fds.erase(fds.begin() + 1 + 4 * i, fds.begin() + 5 + 4 * i);
                --i;
            }
        }
        if (cutNow && stallAtMarker_) {
            stalled_ = true;
            stallAtMarker_ = false;
        } else if (cutNow) {
            links.clear();
            cut_ = true;
        }
    }
    links.clear();
}
