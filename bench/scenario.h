#pragma once

#include <QString>

class QElapsedTimer;

// The measuring side of the benchmark, run in a process of its own per
// database: the real window, driven headless as a user would, each step
// timed until its result is painted and followed by the same question put
// to SQLite directly. Prints one line per sample:
//   sample <TAB> operation <TAB> window ms <TAB> floor ms
// and, at the end, "rss <TAB> peak resident kB". Exits non-zero when the
// window shows something other than what SQLite answers.
namespace bench {

// Starts the window on programDir/db40.mdb and measures start-up only.
int measureStartup(const QString& programDir, const QElapsedTimer& sinceMain);

// Starts the window, then filters, navigates, chooses grid rows, saves and
// deletes, reps times each. Changes the database (and undoes its changes).
int measureSession(const QString& programDir, int reps, const QElapsedTimer& sinceMain);

}  // namespace bench
