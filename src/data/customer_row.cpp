#include "customer_row.h"

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
