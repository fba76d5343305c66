#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

// A TCP relay on loopback between clients and a server on 127.0.0.1 that
// behaves like a network link: it listens on 127.0.0.1 on a free port,
// opens a connection to the server for each client it accepts, and passes
// every chunk of bytes on after half the round-trip time (RTT), in each
// direction, keeping their order. A new connection costs one more round
// trip, as TCP's handshake does: the client's first bytes are held a whole
// RTT longer. There is no limit on bandwidth.
//
// It runs on a thread of its own, so a busy caller does not slow the link.
// Every wait of that thread is bounded (a few ms), so stop() and the
// destructor, which stops it, end it at once, closing every connection.
//
// For tests of a failing network it can also stall (hold every byte,
// keeping the connections open) and resume, and cut every connection
// right after it has passed on a client's chunk holding a marker.
//
// It counts round trips, for each connection: one for opening it, and one
// each time the client sends after the server has sent (the first bytes a
// client sends count too). A question sent as one message and its answer
// are one round trip; three statements each waiting for the answer to the
// last are three; several sent together before any answer are one. A
// notification the server sends unasked makes the client's next message
// count as a new round trip.
class LinkRelay {
public:
    explicit LinkRelay(int serverPort, int rttMs = 0);
    ~LinkRelay();
    LinkRelay(const LinkRelay&) = delete;
    LinkRelay& operator=(const LinkRelay&) = delete;

    int port() const { return port_; }
    int rttMs() const { return rttMs_; }
    // url (postgresql://user@127.0.0.1:PORT/db...) with the relay's port.
    QString through(const QString& url) const;

    // Holds every byte in both directions from now on, keeping the
    // connections open; resume() passes on what was held, in order.
    void stall() { stalled_ = true; }
    void resume() { stalled_ = false; }

    // Cuts every connection once it has passed on a client's chunk holding
    // marker to the server, before the server's answer can come back (a
    // change cut off during its commit, as a failing network cuts it).
    // Once only; cut() tells whether it happened.
    void cutAfter(const QByteArray& marker);
    bool cut() const { return cut_; }
    // The same, but stalls instead of cutting: the server has the chunk
    // and answers it, and the answer is held (a link that hangs while a
    // change commits).
    void stallAfter(const QByteArray& marker);
    bool stalled() const { return stalled_; }

    // Round trips of every connection so far (see above).
    qint64 roundTrips() const { return roundTrips_; }

    // Closes every connection and ends the thread; the destructor does it.
    void stop();

private:
    struct Link;
    void serve();
    bool markerIn(const QByteArray& chunk);

    const int serverPort_;
    const int rttMs_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_ = false;
    std::atomic<bool> stalled_ = false;
    std::atomic<bool> cut_ = false;
    std::atomic<bool> stallAtMarker_ = false;
    std::atomic<qint64> roundTrips_ = 0;
    std::mutex mutex_;
    QByteArray marker_;
    std::thread thread_;
};
