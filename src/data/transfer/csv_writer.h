#pragma once

#include <QByteArray>
#include <QString>
#include <QStringEncoder>
#include <QVariantList>

class QIODevice;

// Writes records to a device one at a time, buffering a block, so that any
// number of rows can be written without holding them. Text is UTF-8 without
// a byte-order mark; open the device without QIODevice::Text, which would
// change the line ends. Two forms:
//
// Csv (RFC 4180): commas between fields, CRLF after each record. A field is
// quoted when it holds a comma, a double quote, CR or LF, or begins or ends
// with a blank (space or tab), which some readers would trim; quotes inside
// are doubled. NULL is an empty field and the empty text is "", so that the
// two survive a round trip (as in PostgreSQL's CSV).
//
// Tsv (tab-separated text for the clipboard, which spreadsheets paste into
// cells): tabs between fields, LF after each record. LF is what Qt puts on
// the clipboard: on Windows it turns each LF into CRLF itself. A field
// holding a tab, a double quote, CR or LF is quoted as in CSV; NULL and the
// empty text are both an empty cell.
class CsvWriter {
public:
    enum Format { Csv, Tsv };

    explicit CsvWriter(QIODevice* out, Format format = Csv);
    ~CsvWriter();  // writes what is still buffered

    // Appends one record. A null QVariant or a null QString is NULL; numbers
    // are written as QVariant::toString() writes them (C locale). Returns
    // false once the device has refused data (see errorString()).
    bool write(const QVariantList& fields);
    // Writes the buffered records to the device.
    bool flush();
    QString errorString() const { return error_; }

private:
    void appendField(const QVariant& value);

    QIODevice* out_;
    Format format_;
    QStringEncoder utf8_{QStringEncoder::Utf8, QStringConverter::Flag::Stateless};
    QByteArray buffer_;
    QString error_;
};
