#pragma once

#include <QString>
#include <exception>

// A run-time error of the data layer: a number and a message, as the user
// sees them. Numbers below 1000 are the database engine's own codes; the
// record set's and the customer table's errors use the numbers declared
// here. A busy error means another program holds the database locked: the
// same action works once the lock is gone.
class DbError : public std::exception {
public:
    enum Number {
        NoCurrentRow = 1001,
        MoveOutOfRange = 1002,
        RecordSetClosed = 1003,
        FileMissing = 1004,
        NoDeptTable = 1005,
        FileExists = 1006,
        NotADatabase = 26,  // SQLITE_NOTADB
    };
    enum class Kind { Failed, Busy };

    DbError(int number, QString message, Kind kind = Kind::Failed)
        : number_(number), kind_(kind), message_(std::move(message)), utf8_(message_.toUtf8()) {}

    int number() const { return number_; }
    const QString& message() const { return message_; }
    bool busy() const { return kind_ == Kind::Busy; }
    const char* what() const noexcept override { return utf8_.constData(); }

    // The same error with its message after a prefix (what failed, where).
    DbError prefixed(const QString& prefix) const { return DbError(number_, prefix + message_, kind_); }

private:
    int number_;
    Kind kind_;
    QString message_;
    QByteArray utf8_;
};
