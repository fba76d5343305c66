#pragma once

#include <QString>

// A throwaway PostgreSQL server of one test or benchmark, made by
// scripts/pg-scratch in a fresh folder under /tmp: it listens on 127.0.0.1
// only, on a free port, with user postgres and no password. The destructor
// stops it and removes the folder. The server also dies with this process,
// however that ends (a failed check, a crash, SIGKILL): the script watches a
// pipe whose only writer is this process. Failures throw std::runtime_error.
class PgScratch {
public:
    PgScratch();
    ~PgScratch();
    PgScratch(const PgScratch&) = delete;
    PgScratch& operator=(const PgScratch&) = delete;

    // postgresql://postgres@127.0.0.1:PORT/postgres
    QString url() const { return url_; }
    QString dir() const { return dir_; }

    // Creates a new, empty database on this server; its URL.
    QString createDatabase();

    // Stops the server, keeping its data. Fast shuts down cleanly and
    // ends every connection; Crash stops it at once, as if it were killed,
    // and may lose the last commits (commits are asynchronous here).
    enum class Halt { Fast, Crash };
    void halt(Halt how = Halt::Fast);
    // Starts the halted server again, on the same port and URL.
    void start();

private:
    void stop() noexcept;  // stops the server and removes its folder
    QString run(const QStringList& args, int watchFd = -1) const;

    QString dir_;
    QString url_;
    int watchFd_ = -1;  // the write end of the pipe the script watches
    int databases_ = 0;
};
