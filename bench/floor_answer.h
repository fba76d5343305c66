#pragma once

#include <QList>

// What a floor (the database's own time for a question the window asks)
// found, and how long it took.
struct FloorAnswer {
    double ms = 0;
    qint64 count = -1;   // rows counted, when the question counts
    QList<qint64> keys;  // cusnum of each row read, in display order
};
