#include "data/transfer/customer_csv.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QTranslator>
#include <memory>
#include <optional>
#include <vector>

namespace {

QVariantList header()
{
    QVariantList names;
    for (const CustomerColumn& c : kCustomerColumns)
        names << QString::fromLatin1(c.name);
    return names;
}

// A value for a message: quoted, and cut short when long.
QString shown(const QString& text)
{
    return QStringLiteral("\"%1\"").arg(text.size() > 40 ? text.left(40) + u'…' : text);
}

// A whole number as such, any other finite number (C locale) as a double;
// with decimalComma a comma may stand for the decimal point.
std::optional<QVariant> number(QString text, bool decimalComma)
{
    if (decimalComma)
        text.replace(u',', u'.');
    if (const auto n = whole_number(text))
        return QVariant(*n);
    bool ok = false;
    const double d = text.toDouble(&ok);
    return ok && qIsFinite(d) ? std::optional(QVariant(d)) : std::nullopt;
}

// A heading as headings compare: without blanks around it, a trailing
// colon, access-key ampersands, accents (Unicode decomposition without
// its combining marks) or letter case.
QString heading_key(const QString& heading)
{
    QString text = heading.trimmed();
    if (text.endsWith(u':'))
        text.chop(1);
    text.remove(u'&');
    QString plain;
    for (const QChar c : text.normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing)
            plain += c;
    return plain.trimmed().toCaseFolded();
}

// Every heading that names a column, keyed by heading_key: the columns'
// names, and their captions in English and in each language whose
// catalogue the program holds, whatever the user's language is.
const QHash<QString, int>& known_headings()
{
    static const QHash<QString, int> headings = [] {
        std::vector<std::unique_ptr<QTranslator>> catalogues;
        const QDir dir(QStringLiteral(":/i18n"));
        for (const QString& file : dir.entryList({QStringLiteral("tallyhouse_*.qm")})) {
            auto catalogue = std::make_unique<QTranslator>();
            if (catalogue->load(dir.filePath(file)))
                catalogues.push_back(std::move(catalogue));
        }
        QHash<QString, int> known;
        for (int i = 0; i < int(kCustomerColumns.size()); ++i) {
            const CustomerColumn& c = kCustomerColumns[i];
            known.insert(heading_key(QString::fromLatin1(c.name)), i);
            if (!c.caption)
                continue;
            known.insert(heading_key(QString::fromUtf8(c.caption)), i);
            for (const auto& catalogue : catalogues)
                if (const QString caption = catalogue->translate("CustomerColumn", c.caption); !caption.isEmpty())
                    known.insert(heading_key(caption), i);
        }
        return known;
    }();
    return headings;
}

}  // namespace

CustomerCsvWriter::CustomerCsvWriter(QIODevice* out, CsvWriter::Format format) : csv_(out, format)
{
    csv_.write(header());
}

bool CustomerCsvWriter::write(const CustomerRow& row)
{
    QVariantList columns;
    columns.reserve(qsizetype(kCustomerColumns.size()));
    for (int i = 0; i < int(kCustomerColumns.size()); ++i)
        columns << column_value(row, i);
    return csv_.write(columns);
}

QString customers_as_tab_separated(const QList<CustomerRow>& rows)
{
    QByteArray text;
    QBuffer buffer(&text);
    buffer.open(QIODevice::WriteOnly);
    CustomerCsvWriter writer(&buffer, CsvWriter::Tsv);
    for (const CustomerRow& row : rows)
        writer.write(row);
    writer.flush();
    return QString::fromUtf8(text);
}

QString match_header(const QStringList& names, QList<int>& columns)
{
    columns.clear();
    for (const QString& name : names) {
        if (name.trimmed().isEmpty()) {
            columns << kUnnamedColumn;
            continue;
        }
        const auto it = known_headings().constFind(heading_key(name));
        if (it == known_headings().cend()) {
            QStringList known;
            for (const CustomerColumn& c : kCustomerColumns)
                known << QString::fromLatin1(c.name);
            return QCoreApplication::translate("CustomerCsv", "unknown column %1; the columns are %2").arg(shown(name), known.join(u", "));
        }
        if (columns.contains(*it))
            return QCoreApplication::translate("CustomerCsv", "column %1 is named twice").arg(shown(name));
        columns << *it;
    }
    if (columns.count(kUnnamedColumn) == columns.size())
        return QCoreApplication::translate("CustomerCsv", "the header line names no column");
    return {};
}

QString customer_from_record(const QList<int>& columns, const QStringList& fields, bool decimalComma, ImportedCustomer& customer)
{
    if (fields.size() != columns.size()) {
        //: %1 is "the record has 3 fields", %2 "the header names 2 columns".
        return QCoreApplication::translate("CustomerCsv", "%1 where %2")
            .arg(QCoreApplication::translate("CustomerCsv", "the record has %n fields", nullptr, int(fields.size())),
                 QCoreApplication::translate("CustomerCsv", "the header names %n columns", nullptr, int(columns.size())));
    }
    customer.row = CustomerRow();
    customer.hasKey = false;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const QString& field = fields[i];
        if (columns[i] == kUnnamedColumn) {
            if (!field.isEmpty())
                return QCoreApplication::translate("CustomerCsv", "field %1 holds %2 but its column has no heading").arg(i + 1).arg(shown(field));
            continue;
        }
        const CustomerColumn& c = kCustomerColumns[columns[i]];
        switch (c.kind) {
        case CustomerColumn::Key:
            if (field.trimmed().isEmpty())
                break;  // a new customer
            if (const auto key = whole_number(field)) {
                customer.row.cusnum = *key;
                customer.hasKey = true;
                break;
            }
            return QCoreApplication::translate("CustomerCsv", "the key %1 %2 is not a whole number").arg(QLatin1String(c.name), shown(field));
        case CustomerColumn::Text: customer.row.*c.text = field; break;
        case CustomerColumn::Number:
            if (field.isEmpty()) {
                customer.row.*c.number = QVariant();
            } else if (const auto n = number(field, decimalComma)) {
                customer.row.*c.number = *n;
            } else {
                return QCoreApplication::translate("CustomerCsv", "%1 %2 is not a number").arg(QLatin1String(c.name), shown(field));
            }
            break;
        }
    }
    return {};
}

bool CustomerCsvReader::next(ImportedCustomer& customer)
{
    CsvRecord record;
    if (!headerRead_) {
        if (!read(record))
            return error_.isEmpty() ? fail(1, QCoreApplication::translate("CustomerCsv", "the file is empty; it needs a header line naming the columns"))
                                    : false;
        headerRead_ = true;
        if (const QString fault = match_header(record.fields, columns_); !fault.isEmpty())
            return fail(record.line, fault);
    }
    if (!read(record))
        return false;
    customer.line = record.line;
    // Spreadsheets that separate fields by semicolons write numbers with a
    // decimal comma.
    const QString fault = customer_from_record(columns_, record.fields, csv_.separator() == ';', customer);
    return fault.isEmpty() || fail(record.line, fault);
}

bool CustomerCsvReader::read(CsvRecord& record)
{
    if (!error_.isEmpty())
        return false;
    if (csv_.next(record))
        return true;
    if (!csv_.error().isEmpty())
        fail(csv_.errorLine(), csv_.error());
    return false;
}

bool CustomerCsvReader::fail(qint64 line, const QString& message)
{
    errorLine_ = line;
    error_ = message;
    return false;
}
