#pragma once

#include <QString>
#include <optional>

struct sqlite3;

// Name matching for the filter: a LIKE pattern ("%" any run of characters,
// "_" any one character) compared without regard to case for every letter,
// not only A to Z as SQLite's own LIKE does.

// True when value matches pattern, both folded to simple case folding.
bool name_like(QStringView value, QStringView pattern);

// A range of the NOCASE-ordered name index that holds every name the
// pattern can match: lo <= name < hi (hi empty: no upper bound). When
// exact is true, the range holds nothing else and no further test is needed.
struct NameRange {
    QString lo;
    QString hi;
    bool exact = false;
};
std::optional<NameRange> name_range(const QString& pattern);

// Registers name_like() as the SQL function th_like(value, pattern).
void register_name_match(sqlite3* db);
