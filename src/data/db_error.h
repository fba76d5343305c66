#pragma once

#include <QString>
#include <exception>

// A run-time error of the data layer: a number and a message, as the user
// sees them in the error box. Numbers below 1000 are SQLite's result codes;
// the record set's own errors use the numbers declared here.
class DbError : public std::exception {
public:
    enum Number {
        NoCurrentRow = 1001,
        MoveOutOfRange = 1002,
        RecordSetClosed = 1003,
        FileMissing = 1004,
        NoDeptTable = 1005,
        NotADatabase = 26,  // SQLITE_NOTADB
    };

    DbError(int number, QString message)
        : number_(number), message_(std::move(message)), utf8_(message_.toUtf8()) {}

    int number() const { return number_; }
    const QString& message() const { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    int number_;
    QString message_;
    QByteArray utf8_;
};
