#pragma once

#include "data/transfer/customer_csv.h"

#include <QByteArray>
#include <QString>

// How tallyhouse-access-reader hands the customers of an Access file to the
// program that started it: on its standard output, a stream of messages,
// each a 32-bit length and a QDataStream of what it says. First Opened
// (with the count) or Refused (the file cannot be copied), then one
// Customer a row, then End, or Fault at a row that cannot be copied.
// libmdb reports what it finds wrong on standard error, which the program
// gives the reader as a file.
namespace access_stream {

enum class Tag : quint8 { Opened, Refused, Customer, End, Fault };

// The reader's bounds: the memory it may take, and how long it may go
// without a word.
inline constexpr int kMemoryMb = 1024;
inline constexpr int kSilenceSeconds = 30;

struct Message {
    Tag tag = Tag::End;
    qint64 number = 0;         // Opened: the rows the file counts; Fault: the row; Refused: the DbError's number
    QString text;              // Refused, Fault: why
    ImportedCustomer customer; // Customer
};

// Each a whole message, its length first.
QByteArray opened(qint64 count);
QByteArray refused(int number, const QString& why);
QByteArray customer(const ImportedCustomer& customer);
QByteArray end();
QByteArray fault(qint64 row, const QString& why);

// A message from what follows its length; nullopt when it is malformed.
std::optional<Message> parse(const QByteArray& body);

}  // namespace access_stream
