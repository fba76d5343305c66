#include "data/transfer/customer_csv.h"

#include <QCoreApplication>
#include <QBuffer>
#include <optional>

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

// A whole number as such, any other finite number (C locale) as a double.
std::optional<QVariant> number(const QString& text)
{
    if (const auto n = whole_number(text))
        return QVariant(*n);
    bool ok = false;
    const double d = text.toDouble(&ok);
    return ok && qIsFinite(d) ? std::optional(QVariant(d)) : std::nullopt;
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
        const auto it = std::find_if(kCustomerColumns.begin(), kCustomerColumns.end(), [&](const CustomerColumn& c) {
            return name.trimmed().compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0;
        });
        if (it == kCustomerColumns.end()) {
            QStringList known;
            for (const CustomerColumn& c : kCustomerColumns)
                known << QString::fromLatin1(c.name);
            return QCoreApplication::translate("CustomerCsv", "unknown column %1; the columns are %2").arg(shown(name), known.join(u", "));
        }
        const int column = int(it - kCustomerColumns.begin());
        if (columns.contains(column))
            return QCoreApplication::translate("CustomerCsv", "column %1 is named twice").arg(shown(name));
        columns << column;
    }
    return {};
}

QString customer_from_record(const QList<int>& columns, const QStringList& fields, ImportedCustomer& customer)
{
    if (fields.size() != columns.size())
        return QCoreApplication::translate("CustomerCsv", "the record has %1 %2 where the header names %3 %4")
            .arg(fields.size())
            .arg(fields.size() == 1 ? QCoreApplication::translate("CustomerCsv", "field") : QCoreApplication::translate("CustomerCsv", "fields"))
            .arg(columns.size())
            .arg(columns.size() == 1 ? QCoreApplication::translate("CustomerCsv", "column") : QCoreApplication::translate("CustomerCsv", "columns"));
    customer.row = CustomerRow();
    customer.hasKey = false;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const CustomerColumn& c = kCustomerColumns[columns[i]];
        const QString& field = fields[i];
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
            } else if (const auto n = number(field)) {
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
    const QString fault = customer_from_record(columns_, record.fields, customer);
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
