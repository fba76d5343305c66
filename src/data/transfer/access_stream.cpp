#include "data/transfer/access_stream.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

namespace access_stream {

namespace {

constexpr auto kVersion = QDataStream::Qt_6_0;

template <typename Write>
QByteArray message(Tag tag, Write write)
{
    QByteArray out(4, '\0');
    QDataStream s(&out, QIODevice::WriteOnly | QIODevice::Append);
    s.setVersion(kVersion);
    s << quint8(tag);
    write(s);
    qToLittleEndian<quint32>(quint32(out.size() - 4), out.data());
    return out;
}

}  // namespace

QByteArray opened(qint64 count)
{
    return message(Tag::Opened, [&](QDataStream& s) { s << count; });
}

QByteArray refused(int number, const QString& why)
{
    return message(Tag::Refused, [&](QDataStream& s) { s << qint64(number) << why; });
}

QByteArray customer(const ImportedCustomer& c)
{
    return message(Tag::Customer, [&](QDataStream& s) {
        s << c.line << c.row.cusnum;
        for (const CustomerColumn& column : kCustomerColumns) {
            if (column.kind == CustomerColumn::Text)
                s << c.row.*column.text;  // a null text stays NULL
            else if (column.kind == CustomerColumn::Number)
                s << c.row.*column.number;
        }
    });
}

QByteArray end()
{
    return message(Tag::End, [](QDataStream&) {});
}

QByteArray fault(qint64 row, const QString& why)
{
    return message(Tag::Fault, [&](QDataStream& s) { s << row << why; });
}

std::optional<Message> parse(const QByteArray& body)
{
    QDataStream s(body);
    s.setVersion(kVersion);
    quint8 tag = 0;
    s >> tag;
    Message m;
    m.tag = Tag(tag);
    switch (m.tag) {
    case Tag::Opened: s >> m.number; break;
    case Tag::Refused: case Tag::Fault: s >> m.number >> m.text; break;
    case Tag::End: break;
    case Tag::Customer:
        m.customer.hasKey = true;
        s >> m.customer.line >> m.customer.row.cusnum;
        for (const CustomerColumn& column : kCustomerColumns) {
            if (column.kind == CustomerColumn::Text)
                s >> m.customer.row.*column.text;
            else if (column.kind == CustomerColumn::Number)
                s >> m.customer.row.*column.number;
        }
        break;
    default: return std::nullopt;
    }
    if (s.status() != QDataStream::Ok || !s.atEnd())
        return std::nullopt;
    return m;
}

}  // namespace access_stream
