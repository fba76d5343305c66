#pragma once

#include <QString>
#include <exception>

// A run-time error of the data layer: a number and a message, as the user
// sees them. Numbers below 1000 are the database engine's own codes; the
// record set's and the customer table's errors use the numbers declared
// here. Some errors pass, and the same action works again later: busy (another
// program holds the database or the row locked) and lost (the database server
// cannot be reached). A taken key is an insert that met another program's
// new row under the same key; a password error asks for the password. A
// cancelled question was given up by the program itself (its answer was no
// longer wanted): nothing to tell the user, and it passes too.
class DbError : public std::exception {
public:
    enum Number {
        NoCurrentRow = 1001,
        MoveOutOfRange = 1002,
        RecordSetClosed = 1003,
        FileMissing = 1004,
        NoDeptTable = 1005,
        FileExists = 1006,
        NoAnswer = 1007,  // a server that took no answer in time (lost)
        GivenUp = 1008,   // a question the program gave up itself (cancelled)
        Unsettled = 1009, // a change whose commit got no answer, not known to be made
        NotADatabase = 26,  // SQLITE_NOTADB
    };
    enum class Kind { Failed, Busy, Lost, KeyTaken, Password, Cancelled };

    DbError(int number, QString message, Kind kind = Kind::Failed)
        : number_(number), kind_(kind), message_(std::move(message)), utf8_(message_.toUtf8()) {}

    int number() const { return number_; }
    const QString& message() const { return message_; }
    Kind kind() const { return kind_; }
    bool busy() const { return kind_ == Kind::Busy; }
    bool lost() const { return kind_ == Kind::Lost; }
    bool cancelled() const { return kind_ == Kind::Cancelled; }
    // Busy, lost or cancelled: the program goes on, and the action can be
    // tried again.
    bool passing() const { return busy() || lost() || cancelled(); }
    const char* what() const noexcept override { return utf8_.constData(); }

    // The same error with its message after a prefix (what failed, where).
    DbError prefixed(const QString& prefix) const { return DbError(number_, prefix + message_, kind_); }

private:
    int number_;
    Kind kind_;
    QString message_;
    QByteArray utf8_;
};
