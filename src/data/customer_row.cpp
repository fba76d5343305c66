#include "data/customer_row.h"

#include <QCoreApplication>

QVariant column_value(const CustomerRow& row, int i)
{
    const CustomerColumn& c = kCustomerColumns[i];
    switch (c.kind) {
    case CustomerColumn::Key: return row.cusnum;
    case CustomerColumn::Text: {
        const QString& text = row.*c.text;
        return text.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
    }
    case CustomerColumn::Number: return row.*c.number;
    }
    return {};
}

void set_column_value(CustomerRow& row, int i, const QVariant& value)
{
    const CustomerColumn& c = kCustomerColumns[i];
    switch (c.kind) {
    case CustomerColumn::Key: row.cusnum = value.toLongLong(); break;
    case CustomerColumn::Text:
        // NULL stays a null text; any stored value, even "", is a text.
        row.*c.text = value.isNull() ? QString() : value.toString();
        if (!value.isNull() && (row.*c.text).isNull())
            row.*c.text = QStringLiteral("");
        break;
    case CustomerColumn::Number: row.*c.number = value; break;
    }
}

QString column_caption(int column)
{
    const char* caption = kCustomerColumns[column].caption;
    return caption ? QCoreApplication::translate("CustomerColumn", caption) : QString();
}

QString column_heading(int column)
{
    QString caption = column_caption(column);
    if (caption.endsWith(u':'))
        caption.chop(1);
    return caption;
}

qsizetype max_length(int column)
{
    return column == kFname || column == kLname ? kMaxNameLength : kMaxTextLength;
}

std::optional<int> overlong_column(const CustomerRow& row)
{
    for (int i = 0; i < int(kCustomerColumns.size()); ++i) {
        const CustomerColumn& c = kCustomerColumns[i];
        if (c.kind == CustomerColumn::Text && (row.*c.text).size() > max_length(i))
            return i;
    }
    return std::nullopt;
}

QString overlong_text(const CustomerRow& row, int column)
{
    const qsizetype length = (row.*kCustomerColumns[column].text).size();
    const QString what = max_length(column) == kMaxNameLength ? QCoreApplication::translate("CustomerRow", "a first or last name")
                                                              : QCoreApplication::translate("CustomerRow", "a text");
    return QCoreApplication::translate("CustomerRow", "%1 holds %2 characters; %3 may hold at most %4")
        .arg(QLatin1String(kCustomerColumns[column].name))
        .arg(length)
        .arg(what)
        .arg(max_length(column));
}

std::optional<qint64> whole_number(const QString& text)
{
    const QString digits = text.trimmed();
    const qsizetype first = digits.startsWith(u'-') || digits.startsWith(u'+') ? 1 : 0;
    if (digits.size() == first)
        return std::nullopt;
    for (qsizetype i = first; i < digits.size(); ++i)
        if (digits[i] < u'0' || digits[i] > u'9')
            return std::nullopt;
    bool ok = false;
    const qint64 n = digits.toLongLong(&ok);
    return ok ? std::optional(n) : std::nullopt;
}

std::array<int, kCustomerColumns.size()> column_positions(const QStringList& names)
{
    std::array<int, kCustomerColumns.size()> positions;
    positions.fill(-1);
    QVector<bool> taken(names.size());
    for (int i = 0; i < int(kCustomerColumns.size()); ++i) {
        for (int at = 0; at < names.size(); ++at)
            if (!taken[at] && names[at].compare(QLatin1String(kCustomerColumns[i].name), Qt::CaseInsensitive) == 0) {
                positions[i] = at;
                taken[at] = true;
                break;
            }
    }
    for (int i = 0; i < int(kCustomerColumns.size()); ++i)
        if (positions[i] < 0 && i < names.size() && !taken[i]) {
            positions[i] = i;
            taken[i] = true;
        }
    return positions;
}
