#include "report.h"

#include <QFile>
#include <QLocale>
#include <algorithm>

namespace bench {

namespace {

double median(QList<double> v)
{
    if (v.isEmpty())
        return 0;
    std::sort(v.begin(), v.end());
    const qsizetype n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double worst(const QList<double>& v)
{
    return v.isEmpty() ? 0 : *std::max_element(v.begin(), v.end());
}

QString number(double ms)
{
    return QString::number(ms, 'f', ms < 10 ? 2 : 1);
}

QString rows(qint64 n)
{
    return QLocale(QLocale::English).toString(n);
}

// The target a step is held to, and whether it is met. Keystrokes are
// judged by their median; every other limit holds for the worst run.
struct Target {
    QString text;
    bool met = true;
};

bool isKeystroke(const QString& op)
{
    return op.startsWith(QLatin1String("type \"")) || op.startsWith(QLatin1String("delete to "));
}

Target target(EngineKind engine, const QString& op, double med, double worstMs, double ratio, double referenceMedian,
              const QString& referenceName)
{
    const bool sqlite = engine == EngineKind::Sqlite;
    if (op.endsWith(QLatin1String("first rows painted")))
        return {QStringLiteral("median ≤ 30 ms"), med <= 30};
    if (isKeystroke(op) && !sqlite)
        return {QStringLiteral("median ≤ 2× floor"), ratio <= 2};
    if (op == QLatin1String("delete to empty"))
        return {QStringLiteral("≤ 150 ms"), worstMs <= 150};
    if (isKeystroke(op))
        return {QStringLiteral("median ≤ 30 ms, ≤ 3× floor"), med <= 30 && ratio <= 3};
    if (op.startsWith(QLatin1String("start-up"))) {
        if (!sqlite)
            return {QStringLiteral("≤ 500 ms"), worstMs <= 500};
        return {QStringLiteral("≤ 500 ms, ≤ 1.5× %1").arg(referenceName), worstMs <= 500 && med <= 1.5 * referenceMedian};
    }
    const int changeLimit = sqlite ? 150 : 100;
    if (op.startsWith(QLatin1String("Save")) || op.startsWith(QLatin1String("Delete")))
        return {QStringLiteral("≤ %1 ms").arg(changeLimit), worstMs <= changeLimit};
    if (sqlite
        && (op.startsWith(QLatin1String("choose")) || op == QLatin1String("First") || op == QLatin1String("Next")
            || op == QLatin1String("Previous") || op == QLatin1String("Last")))
        return {QStringLiteral("≤ 10 ms"), worstMs <= 10};
    return {};
}

// The target and whether it is met; nothing for a table too small to be
// judged (the targets are set for a million rows).
QString verdict(const Target& t, qint64 size)
{
    if (t.text.isEmpty() || size < 1000000)
        return {};
    return t.text + (t.met ? QStringLiteral(": met") : QStringLiteral(": **missed**"));
}

}  // namespace

QString engineName(EngineKind engine)
{
    return engine == EngineKind::Sqlite ? QStringLiteral("SQLite") : QStringLiteral("PostgreSQL");
}

double loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return QString::fromLatin1(f.readAll()).section(u' ', 0, 0).toDouble();
}

void Results::add(const QString& output)
{
    for (const QString& line : output.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList f = line.split(u'\t');
        if (f.value(0) == QLatin1String("rss") && f.size() == 2) {
            rssKb = std::max(rssKb, f[1].toLong());
        } else if (f.value(0) == QLatin1String("sample") && f.size() == 4) {
            if (!ms.contains(f[1]))
                order << f[1];
            ms[f[1]] << f[2].toDouble();
            floor[f[1]] << f[3].toDouble();
        }
    }
}

QString table(EngineKind engine, qint64 size, const Results& r, qint64 referenceSize, const Results& reference)
{
    const QString referenceName = rows(referenceSize) + QStringLiteral(" rows");
    QString out = QStringLiteral("### %1, %2 rows\n\n").arg(engineName(engine), rows(size));
    if (!r.load.isEmpty())
        out += QStringLiteral("Load average (1 min) while measuring: %1 to %2.\n\n")
                   .arg(*std::min_element(r.load.begin(), r.load.end()), 0, 'f', 2)
                   .arg(*std::max_element(r.load.begin(), r.load.end()), 0, 'f', 2);
    out += QStringLiteral("| step | median ms | worst ms | floor ms | × floor | target |\n");
    out += QStringLiteral("|---|---:|---:|---:|---:|---|\n");
    for (const QString& op : r.order) {
        const double med = median(r.ms[op]);
        const double fl = median(r.floor[op]);
        const double ratio = fl > 0 ? med / fl : 0;
        const Target t = target(engine, op, med, worst(r.ms[op]), ratio, median(reference.ms.value(op)), referenceName);
        out += QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 |\n")
                   .arg(op, number(med), number(worst(r.ms[op])), fl > 0 ? number(fl) : QString(),
                        fl > 0 ? QString::number(ratio, 'f', 2) : QString(), verdict(t, size));
    }
    const double rssRatio = reference.rssKb > 0 ? double(r.rssKb) / reference.rssKb : 0;
    const Target memory{QStringLiteral("≤ 1.5× %1").arg(referenceName), rssRatio <= 1.5};
    out += QStringLiteral("| peak resident memory | %1 MB | | | %2× %3 | %4 |\n")
               .arg(QString::number(r.rssKb / 1024.0, 'f', 1), QString::number(rssRatio, 'f', 2), referenceName,
                    verdict(memory, size));
    return out;
}

}  // namespace bench
