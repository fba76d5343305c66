#include "load_check.h"

#include "data/customer_row.h"
#include "driver/protocol.h"

#include <QHash>
#include <QSet>

namespace load {

ProgramLog parse(int program, const QString& output)
{
    ProgramLog log;
    for (const QString& line : output.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList w = line.split(u' ');
        const QString& verb = w[0];
        if ((verb == QLatin1String("saved") || verb == QLatin1String("deleted")) && w.size() == 5) {
            Report r;
            r.kind = verb == QLatin1String("saved") ? Report::Saved : Report::Deleted;
            r.program = program;
            r.key = w[1].toLongLong();
            r.token = w[2];
            r.start = w[3].toLongLong();
            r.end = w[4].toLongLong();
            log.reports << r;
        } else if (verb == QLatin1String("failed") && w.size() == 2) {
            Report r;
            r.kind = Report::Failed;
            r.program = program;
            r.token = w[1];
            log.reports << r;
        } else if (verb == QLatin1String("message") && w.size() == 2) {
            log.messages << driver::decode(w[1]);
        } else if (verb == QLatin1String("ended") && w.size() == 2) {
            log.ended = w[1].toInt();
        }
    }
    return log;
}

QStringList textsOf(const QString& token)
{
    QStringList texts;
    for (int column = 1; column <= 7; ++column)
        for (const RecordBox& b : kRecordBoxes)
            if (b.column == column)
                texts << driver::field_text(token, QString::fromLatin1(b.box));
    return texts;
}

namespace {

// The token a row's first name begins with, as the save loop writes it;
// empty for the rows the table started with.
QString tokenIn(const QStringList& texts)
{
    const QString first = texts.value(0).section(u' ', 0, 0);
    if (first.size() < 2 || first[0] != u't')
        return {};
    for (qsizetype i = 1; i < first.size(); ++i)
        if (!first[i].isDigit())
            return {};
    return first;
}

QString who(const Report& r)
{
    return QStringLiteral("program %1").arg(r.program);
}

}  // namespace

QStringList account(const QList<Report>& reports, const Rows& rows)
{
    QStringList faults;
    QHash<QString, QList<qint64>> keysOf;  // where each token is found
    for (auto it = rows.begin(); it != rows.end(); ++it) {
        const QString token = tokenIn(it.value());
        if (token.isEmpty())
            continue;
        keysOf[token] << it.key();
        if (it.value() != textsOf(token))
            faults << QStringLiteral("customer %1 holds texts of %2 that no Save wrote: %3")
                          .arg(it.key()).arg(token, it.value().join(QStringLiteral(" | ")).left(200));
    }

    QSet<QString> reported;                         // tokens of saves, done or not
    QHash<qint64, QList<const Report*>> changesOf;  // saves and deletes by key
    for (const Report& r : reports) {
        if (r.kind != Report::Deleted)
            reported << r.token;
        if (r.kind != Report::Failed)
            changesOf[r.key] << &r;
    }
    // Another change of the same key that ended after r began: it may have
    // replaced or removed what r wrote.
    auto laterChange = [&](const Report& r) -> const Report* {
        for (const Report* x : changesOf.value(r.key))
            if (x != &r && x->end > r.start)
                return x;
        return nullptr;
    };

    for (const Report& r : reports) {
        const QList<qint64> found = keysOf.value(r.token);
        if (found.size() > 1) {
            continue;  // said once below
        } else if (r.kind == Report::Failed) {
            if (!found.isEmpty())
                faults << QStringLiteral("%1 reported %2 not saved, but customer %3 holds it").arg(who(r), r.token).arg(found[0]);
        } else if (r.kind == Report::Saved) {
            if (!found.isEmpty() && found[0] != r.key)
                faults << QStringLiteral("%1 saved %2 as customer %3, but customer %4 holds it").arg(who(r), r.token).arg(r.key).arg(found[0]);
            else if (found.isEmpty() && !laterChange(r))
                faults << QStringLiteral("%1 saved %2 as customer %3: it is not in the table, and no later change of %3 was reported")
                              .arg(who(r), r.token).arg(r.key);
        } else if (r.kind == Report::Deleted && rows.contains(r.key)) {
            bool readded = false;
            for (const Report* x : changesOf.value(r.key))
                readded = readded || (x->kind == Report::Saved && x->end > r.start);
            if (!readded)
                faults << QStringLiteral("%1 deleted customer %2, but it is still there").arg(who(r)).arg(r.key);
        }
    }
    for (auto it = keysOf.begin(); it != keysOf.end(); ++it) {
        if (it.value().size() > 1) {
            QStringList keys;
            for (qint64 k : it.value())
                keys << QString::number(k);
            faults << QStringLiteral("%1 is in the table %2 times, customers %3").arg(it.key()).arg(keys.size()).arg(keys.join(u','));
        }
        if (!reported.contains(it.key()))
            faults << QStringLiteral("customer %1 holds %2, which no program reported saved").arg(it.value()[0]).arg(it.key());
    }
    return faults;
}

}  // namespace load
