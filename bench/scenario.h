#pragma once

#include <QString>

class QElapsedTimer;

// The measuring side of the benchmark, run in a process of its own per
// database: the real window, driven headless as a user would, each step
// timed until its result is painted and followed by the same question put
// to the database directly, through the floor of the window's engine
// (SqliteFloor for a file, PgFloor for a server URL). Prints one line per
// sample:
//   sample <TAB> operation <TAB> window ms <TAB> floor ms (-1: none)
// and, at the end, "rss <TAB> peak resident kB". Exits non-zero when the
// window shows something other than what the database answers.
namespace bench {

// Starts the window on target (a db40.mdb file or a PostgreSQL URL) and
// measures start-up only. With rtt >= 0 (a server only), the window and the
// floor reach the server through a LinkRelay of that round-trip time.
int measureStartup(const QString& target, int rtt, const QElapsedTimer& sinceMain);

// Starts the window on target, then filters, navigates, chooses grid rows,
// saves and deletes, reps times each. Changes the database (and undoes its
// changes).
int measureSession(const QString& target, int reps, int rtt, const QElapsedTimer& sinceMain);

// Starts the window on target, opens the print preview of every customer
// reps times, then prints them to a PDF file. Prints
//   print <TAB> preview|pdf <TAB> ms <TAB> longest stall of the window ms
// and the peak resident memory.
int measurePrint(const QString& target, int reps);

}  // namespace bench
