#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// The accounting of a load run: what the programs said they did (the lines
// of tallyhouse-driver's save loop) against the rows table dept holds at
// the end.
namespace load {

// One outcome a program reported.
struct Report {
    enum Kind { Saved, Deleted, Failed };
    Kind kind = Saved;
    int program = 0;
    qint64 key = 0;  // the customer saved or deleted
    QString token;   // "tN", carried by every text of the change
    qint64 start = 0, end = 0;  // monotonic clock, µs: before the click and after it returned
};

// What one program printed.
struct ProgramLog {
    QList<Report> reports;
    QStringList messages;  // "title: text" of each box it was shown
    int ended = -1;        // its exit status as it reported it
};
ProgramLog parse(int program, const QString& output);

// The texts of dept's text columns (fname to deptname, in the table's
// order) that the save of token writes.
QStringList textsOf(const QString& token);

// The rows of dept at the end: each key's text columns, in table order.
using Rows = QMap<qint64, QStringList>;

// Every fault in the accounting, one sentence each; empty when every row
// is accounted for:
// - a Save reported done is in the table exactly once, under its key and
//   with its texts, unless a change of the same key by any program ended
//   after this Save began (an edit that replaced it, a delete, an add that
//   took the key again);
// - a token reported not saved is in no row, and every token in a row was
//   reported saved;
// - a key reported deleted is gone, unless a Save of that key ended after
//   the Delete began.
QStringList account(const QList<Report>& reports, const Rows& rows);

}  // namespace load
