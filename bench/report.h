#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// Gathers the samples the measuring processes print and turns them into
// the benchmark's table: median, worst, floor, ratio and target per step.
namespace bench {

// The database engines the benchmark runs on; each has its own targets.
enum class EngineKind { Sqlite, Postgresql };
QString engineName(EngineKind engine);

struct Results {
    QStringList order;                    // steps in the order first seen
    QHash<QString, QList<double>> ms;     // window times per step
    QHash<QString, QList<double>> floor;  // the database's own times per step
    QHash<QString, QList<double>> trips;  // round trips through the relay per step
    QHash<QString, QList<double>> stall;  // longest stall of the window's event loop per step, ms
    int rtt = -1;                         // round-trip time of the relay, ms; none when negative
    long rssKb = 0;                       // peak resident memory of the session
    QList<double> load;                   // the machine's load average while measuring

    // Adds the lines of one measuring process.
    void add(const QString& output);
};

// The machine's load average over the last minute.
double loadAverage();

// One Markdown table for a database of size rows on engine; ratios of
// start-up and memory are taken against reference, the figures of
// referenceSize rows on the same engine. Through a relay of a round-trip
// time above 0, the steps are held to the targets for a server over a
// network instead, and a step's round trips and stalls are shown too;
// atZero, when given, is the same size through a relay of RTT 0, which
// start-up is held to.
QString table(EngineKind engine, qint64 size, const Results& results, qint64 referenceSize, const Results& reference,
              const Results* atZero = nullptr);

}  // namespace bench
