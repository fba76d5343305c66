// Customers to and from CSV: the bytes the writer puts in a file and on the
// clipboard, a round trip of hostile rows read at several block sizes, the
// encodings, files of other programs, and each refusal with its line.

#include "data/transfer/customer_csv.h"

#include <QBuffer>
#include <QTest>
#include <QTranslator>

namespace {

// A customer with the seven texts in dept's order; a null QString is NULL.
CustomerRow customer(qint64 key, const QStringList& texts, QVariant orders = 0, QVariant balance = 0)
{
    CustomerRow row;
    row.cusnum = key;
    for (int i = 0; i < 7; ++i)
        row.*kCustomerColumns[i + 1].text = texts[i];
    row.ordercount = orders;
    row.balance = balance;
    return row;
}

// The columns of a row as texts, NULL marked, so that NULL and "" differ.
QStringList as_texts(const CustomerRow& row)
{
    QStringList texts;
    for (int i = 0; i < int(kCustomerColumns.size()); ++i) {
        const QVariant v = column_value(row, i);
        texts << (v.isNull() ? QStringLiteral("<NULL>") : v.toString());
    }
    return texts;
}

QByteArray csv_of(const QList<CustomerRow>& rows)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CustomerCsvWriter writer(&buffer);
    for (const CustomerRow& row : rows)
        writer.write(row);
    writer.flush();
    return bytes;
}

struct Read {
    QList<ImportedCustomer> customers;
    QString error;
    qint64 errorLine = 0;
    bool windows1252 = false;
};

Read read_all(QByteArray bytes, qint64 blockSize = 64 * 1024)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    CustomerCsvReader reader(&buffer, blockSize);
    Read read;
    ImportedCustomer c;
    while (reader.next(c))
        read.customers << c;
    if (reader.next(c))  // a fault or the end is for good
        read.error = QStringLiteral("read on after the end");
    read.error += reader.error();
    read.errorLine = reader.errorLine();
    read.windows1252 = reader.windows1252();
    return read;
}

// Line ends in a text as an editor counts them: CRLF, CR alone, LF alone.
int line_ends(const QString& text)
{
    int n = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        n += text[i] == u'\r' || (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'));
    return n;
}

}  // namespace

class CsvTest : public QObject {
    Q_OBJECT
private slots:
    // English as the programs speak it: with its plural forms.
    void initTestCase() { QVERIFY(english_.load(QStringLiteral(":/i18n/tallyhouse_en.qm")) && qApp->installTranslator(&english_)); }
    void writesCsvAndClipboardText();
    void hostileRowsSurviveARoundTrip();
    void encodings();
    void readsFilesOfOtherPrograms();
    void refusals_data();
    void refusals();

private:
    QTranslator english_;
};

void CsvTest::writesCsvAndClipboardText()
{
    const CustomerRow row = customer(7, {"", QString(), " a", "x,y", "say \"hi\"", "0\t07", "two\r\nlines"}, 3, QVariant());
    QCOMPARE(csv_of({row}),
             QByteArray("cusnum,Fname,Lname,Address,emaddress,phonenum,credlimit,deptname,ordercount,balance\r\n"
                        "7,\"\",,\" a\",\"x,y\",\"say \"\"hi\"\"\",0\t07,\"two\r\nlines\",3,\r\n"));
    QCOMPARE(customers_as_tab_separated({row}),
             QString("cusnum\tFname\tLname\tAddress\temaddress\tphonenum\tcredlimit\tdeptname\tordercount\tbalance\n"
                     "7\t\t\t a\tx,y\t\"say \"\"hi\"\"\"\t\"0\t07\"\t\"two\r\nlines\"\t3\t\n"));
    // Saved as a file, the clipboard's text is read back, tabs separating
    // its fields; "" and NULL are alike there.
    const Read pasted = read_all(customers_as_tab_separated({row}).toUtf8());
    QCOMPARE(pasted.error, QString());
    QCOMPARE(as_texts(pasted.customers.value(0).row),
             as_texts(customer(7, {QString(), QString(), " a", "x,y", "say \"hi\"", "0\t07", "two\r\nlines"}, 3, QVariant())));
}

void CsvTest::hostileRowsSurviveARoundTrip()
{
    const QString astral = QString::fromUcs4(U"\U0001F600\U00010400");
    const QStringList hostile{
        "plain", "", QString(), "007", " lead", "trail ", "\ttabs\t", "comma, inside", "say \"hi\"", "\"", "\"\"",
        "line\nbreak", "cr\ronly", "crlf\r\nbreak", "\r\n", "\n\n", "end\r", "\r\rx", "a,\"b\"\r\nc,",
        "Ødegård Peña Zoë 日本 " + astral, astral, QString(10000, u'x') + u'é', "NULL", "\\N", "=1+1"};
    const QVariantList numbers{0, QVariant(), Q_INT64_C(123456789012), -1, 12.5};
    QList<CustomerRow> rows;
    for (int i = 0; i < 3 * int(hostile.size()); ++i) {
        QStringList texts;
        for (int j = 0; j < 7; ++j)
            texts << hostile[(i * 7 + j) % hostile.size()];
        const qint64 key = i == 0 ? -5 : i == 1 ? std::numeric_limits<qint64>::max() : i;
        rows << customer(key, texts, numbers[i % numbers.size()], numbers[(i + 2) % numbers.size()]);
    }
    const QByteArray bytes = csv_of(rows);

    // Block size 1 splits the data at every byte: CRLF, quotes, characters.
    for (const qint64 blockSize : {1, 2, 3, 7, 64 * 1024}) {
        const Read read = read_all(bytes, blockSize);
        QCOMPARE(read.error, QString());
        QVERIFY(!read.windows1252);
        QCOMPARE(read.customers.size(), rows.size());
        qint64 line = 2;
        QList<CustomerRow> back;
        for (int i = 0; i < rows.size(); ++i) {
            const ImportedCustomer& c = read.customers[i];
            QCOMPARE(as_texts(c.row), as_texts(rows[i]));
            QVERIFY(c.hasKey);
            QCOMPARE(c.line, line);
            for (int j = 1; j <= 7; ++j)
                line += line_ends(rows[i].*kCustomerColumns[j].text);
            ++line;
            back << c.row;
        }
        QCOMPARE(csv_of(back), bytes);  // byte for byte
    }
}

void CsvTest::encodings()
{
    Read read = read_all("\xEF\xBB\xBF" "cusnum,Fname\r\n1,Zo\xC3\xAB\r\n");
    QCOMPARE(read.error, QString());
    QVERIFY(!read.windows1252);
    QCOMPARE(read.customers.value(0).row.fname, QStringLiteral("Zoë"));

    read = read_all("cusnum,Fname\r\n1,\x93" "Caf\xE9\x94 \x80\r\n");
    QVERIFY(read.windows1252);
    QCOMPARE(read.customers.value(0).row.fname, QStringLiteral("“Café” €"));
}

void CsvTest::readsFilesOfOtherPrograms()
{
    // Names in another case, order and with blanks; columns missing; LF, CR
    // and CRLF line ends, blank lines, no line end at the close.
    const Read read = read_all("\n FNAME ,CusNum,balance\n\r\nAnn,,\r Bob , 12 ,7.25\n\nCy,-3,\"\"");
    QCOMPARE(read.error, QString());
    QCOMPARE(read.customers.size(), 3);
    const ImportedCustomer& ann = read.customers[0];
    QCOMPARE(ann.line, 4);
    QVERIFY(!ann.hasKey);
    QCOMPARE(ann.row.fname, QStringLiteral("Ann"));
    QVERIFY(ann.row.lname.isNull() && ann.row.deptname.isNull());
    QCOMPARE(ann.row.ordercount, QVariant(0));
    QVERIFY(ann.row.balance.isNull());
    const ImportedCustomer& bob = read.customers[1];
    QCOMPARE(bob.line, 5);
    QVERIFY(bob.hasKey);
    QCOMPARE(bob.row.fname, QStringLiteral(" Bob "));  // blanks belong to the field
    QCOMPARE(bob.row.cusnum, 12);
    QCOMPARE(bob.row.balance, QVariant(7.25));
    QCOMPARE(read.customers[2].line, 7);
    QCOMPARE(read.customers[2].row.cusnum, -3);

    // Spreadsheets saved as CSV in Spanish and German: semicolons, decimal
    // commas, the window's captions as headings, empty columns at the end.
    const Read spanish = read_all("Nombre;Apellidos;Direcci\xF3n:;  TELEFONO ;balance;;\r\n"
                                  "Jos\xE9;P\xE9rez;\"Calle 5; 2\xBA\";91 555 12 34;-12,5;;\r\n"
                                  "Ana;Ruiz;;;3;;\r\n");
    QCOMPARE(spanish.error, QString());
    QVERIFY(spanish.windows1252);
    QCOMPARE(spanish.customers.size(), 2);
    const CustomerRow& jose = spanish.customers[0].row;
    QCOMPARE(as_texts(jose), (QStringList{"0", "José", "Pérez", "Calle 5; 2º", "<NULL>", "91 555 12 34", "<NULL>", "<NULL>", "0", "-12.5"}));
    QCOMPARE(spanish.customers[1].row.balance.toDouble(), 3.0);
    const Read german = read_all("\xEF\xBB\xBF" "cusnum;Vorname;Nachname;E-Mail;Abteilung;Kreditlimit;ordercount;balance;\r\n"
                                 "7;J\xC3\xBCrgen;Stra\xC3\x9F" "er;j@x.de;Vertrieb;5000;2;1234,75;\r\n");
    QCOMPARE(german.error, QString());
    QCOMPARE(as_texts(german.customers.value(0).row),
             (QStringList{"7", "Jürgen", "Straßer", "<NULL>", "j@x.de", "<NULL>", "5000", "Vertrieb", "2", "1234.75"}));
}

void CsvTest::refusals_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("readBefore");
    auto add = [](const char* tag, QByteArray file, int line, const char* message, int readBefore = 0) {
        QTest::newRow(tag) << file << line << QString::fromUtf8(message) << readBefore;
    };
    add("unknown column", "cusnum,Fname,Nickname\r\n1,a,b\r\n", 1, "unknown column \"Nickname\"; the columns are cusnum, Fname,");
    add("column named twice", "Fname,fname\r\n", 1, "column \"fname\" is named twice");
    add("too many fields", "cusnum,Fname\r\n1,\"two\r\nlines\"\r\n2,b,c\r\n", 4, "the record has 3 fields where the header names 2", 1);
    add("too few fields", "cusnum,Fname\r\n1\r\n", 2, "the record has 1 field where the header names 2");
    add("key with a fraction", "cusnum,Fname\r\n1,a\r\n2,b\r\n1.5,c\r\n", 4, "the key cusnum \"1.5\" is not a whole number", 2);
    add("key beyond 64 bits", "cusnum\r\n99999999999999999999\r\n", 2, "is not a whole number");
    add("number that is not one", "balance\r\n12abc\r\n", 2, "balance \"12abc\" is not a number");
    add("quote inside a field", "cusnum,Fname\r\n1,Sm\"ith\r\n", 2, "a double quote is out of place");
    add("text after a closing quote", "cusnum,Address\r\n1,\"a\r\nb\"c\r\n", 3, "(in the record that begins on line 2)");
    add("quote never closed", "cusnum,Fname\r\n1,a\r\n2,\"open\r\n3,c\r\n", 3, "a quoted field has no closing quote", 1);
    add("field longer than any text", "cusnum,Fname\r\n1,a\r\n2,\"" + QByteArray(3 * kMaxTextLength + 128 * 1024, 'x'), 3,
        "a field is longer than any text may be (16777216 characters)", 1);
    add("record of too many fields", "cusnum\r\n1\r\n" + QByteArray(1000, ','), 3, "the record has more than 1000 fields", 1);
    add("empty file", "", 1, "the file is empty");
    add("value under an empty heading", "Fname;;\r\nAnn;;\r\nBob;x;\r\n", 3, "field 2 holds \"x\" but its column has no heading", 1);
    add("no heading named", ";;\r\n", 1, "the header line names no column");
    add("decimal comma between commas", "cusnum,balance\r\n1,\"12,5\"\r\n", 2, "balance \"12,5\" is not a number");
    add("byte-order mark, then a byte not UTF-8", "\xEF\xBB\xBF" "cusnum\r\n\xE9\r\n", 2, "the byte 0xE9 in column 1 is not UTF-8");
    add("UTF-8 with one stray byte", "Nombre;Apellidos\r\nJos\xC3\xA9;Pe\xF1" "a\r\n", 2, "the byte 0xF1 in column 8 is not UTF-8");
    // The whole file is read for its encoding: UTF-8 far after a stray byte,
    // a byte Windows-1252 leaves unassigned far on.
    QByteArray plain;
    while (plain.size() < 200 * 1024)
        plain += "2;Ana\r\n";
    const int plainLines = int(plain.count('\n'));
    add("stray byte, UTF-8 far on", "cusnum;Fname\r\n1;Ren\xE9" "e\r\n" + plain + "3;Zo\xC3\xAB\r\n", 2, "the byte 0xE9 in column 6 is not UTF-8");
    QTest::newRow("Windows-1252 with 0x81 far on") << "cusnum;Fname\r\n1;Ren\xE9" "e\r\n" + plain + "3;\x81\r\n" << 3 + plainLines
                                                   << "read as Windows-1252 its byte 0x81 stands for no character" << 0;
    add("UTF-16", QByteArray("\xFF\xFE" "c\0u\0", 6), 1, "UTF-16");
}

void CsvTest::refusals()
{
    QFETCH(QByteArray, file);
    QFETCH(int, line);
    QFETCH(QString, message);
    QFETCH(int, readBefore);
    const Read read = read_all(file);
    QVERIFY2(read.error.contains(message), qPrintable(read.error));
    QCOMPARE(read.errorLine, line);
    QCOMPARE(read.customers.size(), readBefore);
}

QTEST_GUILESS_MAIN(CsvTest)
#include "test_csv.moc"
