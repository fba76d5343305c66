// Name matching for the filter: the LIKE comparison without regard to case,
// the index ranges that narrow it, and both together on a real database.

#include "support/test_support.h"

#include "data/modyul.h"

#include "data/connection.h"
#include "data/engines/name_match.h"
#include "data/recordset.h"

#include <QTest>

using namespace test;

namespace {
QString cp(char32_t c)
{
    return QString::fromUcs4(&c, 1);
}
}  // namespace

class NameMatchTest : public QObject {
    Q_OBJECT
private slots:
    void likeMatches_data();
    void likeMatches();
    void longValuesAndPatterns();
    void rangeOfPattern();
    void rangeNeverExcludesAMatch();
    void databaseAgreesWithNameLike_data();
    void databaseAgreesWithNameLike();
};

void NameMatchTest::likeMatches_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("match");
    auto add = [](const char* tag, QString value, QString pattern, bool match) {
        QTest::newRow(tag) << value << pattern << match;
    };
    add("prefix, other case", "Smith", "sM%", true);
    add("not a prefix", "Asmith", "sm%", false);
    add("percent inside", "Robertson", "%son%", true);
    add("percent at start matches start", "Sonja", "%son%", true);
    add("underscore is one letter", "Mark", "M_rk", true);
    add("underscore needs a letter", "Mrk", "M_rk", false);
    add("empty pattern, empty value", "", "", true);
    add("empty pattern, some value", "a", "", false);
    add("percent alone, empty value", "", "%", true);
    add("apostrophe is a letter", "O'Brien", "o'b%", true);
    add("double quote is a letter", "Say \"hi\"", "say \"H%", true);
    add("backslash is a letter", "C:\\dir", "c:\\D%", true);
    add("backslash escapes nothing", "a%b", "a\\%b", false);
    add("semicolon and SQL", "x'; drop table dept; --", "X'; DROP%", true);
    add("n with tilde", "Peña", "PEÑ%", true);
    add("o with stroke", "Ødegaard", "ø%", true);
    add("e with acute", "éclair", "É%", true);
    add("accent is not ignored", "Ødegaard", "o%", false);
    add("a is not a-ring", "Ångström", "a%", false);
    add("capital sharp s", "STRAẞE", "straß%", true);
    add("sharp s is not ss", "Strasse", "straß%", false);
    add("greek final sigma", "ΟΔΥΣΣΕΥΣ", "οδυσσευς", true);
    add("cyrillic", "Иванов", "иВ%", true);
    add("deseret pair, surrogates", cp(0x10400) + "x", cp(0x10428) + "X", true);
    add("underscore takes a surrogate pair", cp(0x1F600), "_", true);
    add("underscore takes one code point only", cp(0x1F600) + "a", "_", false);
    add("percent then surrogate", "ab" + cp(0x1F600), "%" + cp(0x1F600), true);
}

void NameMatchTest::likeMatches()
{
    QFETCH(QString, value);
    QFETCH(QString, pattern);
    QFETCH(bool, match);
    QCOMPARE(name_like(value, pattern), match);
}

void NameMatchTest::longValuesAndPatterns()
{
    const QString longName = QString(200000, u'a') + u'b';
    QVERIFY(name_like(longName, u"%b"));
    QVERIFY(name_like(longName, u"A%A%A%A%A%A%B"));
    QVERIFY(!name_like(longName, u"%a%a%a%a%c"));
    QVERIFY(name_like(longName, QString(200000, u'A') + u'%'));
    QVERIFY(!name_like(longName, QString(200002, u'_')));
    QVERIFY(name_like(longName, QString(200001, u'_')));
}

void NameMatchTest::rangeOfPattern()
{
    QVERIFY(!name_range(""));
    QVERIFY(!name_range("%"));
    QVERIFY(!name_range("%son%"));
    QVERIFY(!name_range("_a%"));

    auto r = name_range("Sm%");
    QVERIFY(r);
    QCOMPARE(r->lo, QStringLiteral("sm"));
    QCOMPARE(r->hi, QStringLiteral("sn"));
    QVERIFY(r->exact);

    r = name_range("Sm");  // no trailing percent: the whole name must match
    QVERIFY(r && !r->exact);
    r = name_range("Sm_%");
    QVERIFY(r && !r->exact);
    QCOMPARE(r->lo, QStringLiteral("sm"));

    r = name_range("O'B%");
    QVERIFY(r && r->exact);
    QCOMPARE(r->lo, QStringLiteral("o'b"));
    QCOMPARE(r->hi, QStringLiteral("o'c"));

    r = name_range("Pe\u00F1%");  // ñ: NOCASE leaves it alone, the range spans Ñ..ñ
    QVERIFY(r && !r->exact);
    QCOMPARE(r->lo, QStringLiteral("pe\u00D1"));
    QCOMPARE(r->hi, QStringLiteral("pe\u00F2"));

    // The last code point cannot be incremented: the one before it is.
    r = name_range("a" + cp(0x10FFFF) + "%");
    QVERIFY(r);
    QCOMPARE(r->hi, QStringLiteral("b"));
    r = name_range(cp(0x10FFFF) + "%");
    QVERIFY(r);
    QVERIFY(r->hi.isEmpty());  // no upper bound
    // Incrementing must step over the surrogate block.
    r = name_range(cp(0xD7FF) + "%");
    QVERIFY(r);
    QCOMPARE(r->hi, cp(0xE000));
}

// Whatever the range, every name that matches lies inside it.
void NameMatchTest::rangeNeverExcludesAMatch()
{
    const QStringList names{"Ødegaard", "øystein", "Peña", "PEÑA", "Éclair", "éclair", "Straße", "STRAẞE",
                            "ΣΟΦΙΑ", "σοφια", "Иван", "иван", cp(0x10400) + "a", cp(0x10428) + "b",
                            "ǅemal", "ǆemal", "Ǆemal", "Ærø", "ærø"};
    // The index compares with A to Z lowered and every other code point as is.
    auto nocase = [](const QString& s) {
        QString out = s;
        for (QChar& c : out)
            if (c >= u'A' && c <= u'Z')
                c = QChar(c.unicode() + 32);
        return out.toStdU32String();
    };
    for (const QString& name : names) {
        for (qsizetype n = 1; n <= name.size(); ++n) {
            for (const QString& typed : {name.left(n), name.left(n).toUpper(), name.left(n).toLower()}) {
                const QString pattern = typed + u'%';
                if (!name_like(name, pattern))
                    continue;
                const auto r = name_range(pattern);
                if (!r)
                    continue;
                const auto key = nocase(name);
                QVERIFY2(key >= nocase(r->lo), qPrintable(name + " below range of " + pattern));
                QVERIFY2(r->hi.isEmpty() || key < nocase(r->hi), qPrintable(name + " above range of " + pattern));
            }
        }
    }
}

void NameMatchTest::databaseAgreesWithNameLike_data()
{
    QTest::addColumn<QString>("pattern");
    for (const char* p : {"a%", "A%", "ø%", "Ø%", "pe%", "PEÑ%", "é%", "straß%", "STRAẞ%", "σ%", "Σ%", "o'b%",
                          "\"%", "\\%", "%son%", "_a%", "%", "ǅ%", "ǆ%", "%'%", "x'; drop%"})
        QTest::newRow(p) << QString::fromUtf8(p);
    QTest::newRow("deseret") << cp(0x10428) + u'%';
    // A pasted NUL character, which the NOCASE index does not compare past.
    QTest::newRow("nul first") << QString(QChar(0)) + "nul%";
    QTest::newRow("nul inside") << QString("ab") + QChar(0) + "%";
}

// The filter's SQL (index range plus th_like) lists exactly the names
// name_like accepts, in the real database.
void NameMatchTest::databaseAgreesWithNameLike()
{
    QFETCH(QString, pattern);
    const QStringList names{"anna", "Albert", "ALICE", "Ångström", "Ødegaard", "øystein", "Peña", "PEÑA", "Peter",
                            "Éclair", "éclair", "Straße", "STRAẞE", "Strasse", "Σοφία", "σοφία", "O'Brien",
                            "\"Quoted\"", "\\slash", "Robertson", "Sonja", "Mark", "ǅemal", "ǆemal", "Ǆemal",
                            "It's", "x'; drop table dept; --", cp(0x10400) + "a", "Zed",
                            QString(QChar(0)) + "nul", QString("ab") + QChar(0) + "c", "abc"};
    QVector<Row> rows;
    for (int i = 0; i < names.size(); ++i)
        rows << row(i + 1, names[i], QVariant());
    rows << row(names.size() + 1, QVariant(), "null first name");
    TempDb db(rows);

    // The filter lists the names that begin with its text.
    CustomerList list(db.target());
    await(list.open());
    await(list.filter(pattern, RowSource::Column::Fname));
    RecordSet& rs = list.records();
    QVERIFY(await(rs.prefetch(0, rs.knownCount())));
    QStringList listed;
    for (qint64 i = 0; i < rs.knownCount(); ++i)
        listed << rs.cachedRow(i)->value(1).toString();
    QStringList expected;
    for (const QString& name : names)
        if (name_like(name, pattern + u'%'))
            expected << name;
    listed.sort();
    expected.sort();
    QCOMPARE(listed, expected);
}

QTEST_MAIN(NameMatchTest)
#include "test_name_match.moc"
