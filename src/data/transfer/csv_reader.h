#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <deque>
#include <memory>

class QIODevice;
struct csv_parser;

// One record of a CSV file.
struct CsvRecord {
    qint64 line = 0;     // the line where it starts, from 1
    QStringList fields;  // a null QString is an empty field without quotes (NULL); "" is ""
};

// Reads CSV (RFC 4180) from a device record by record; libcsv parses it in
// strict mode. Spaces are part of a field, CR, LF and CRLF all end a line,
// blank lines are skipped. A field may hold a text of kMaxTextLength
// characters (customer_row.h), a record 1,000 fields.
//
// The separator is the first comma, semicolon or tab outside quotes in the
// first line that is not blank (the heading line); a comma when that line
// holds none.
//
// The device must be open (without QIODevice::Text, which drops CRs) and
// able to seek: a first pass reads it through once to find the separator
// and decide the encoding; the second reads the records, a block at a time.
// Neither holds more than a block, the records parsed from it and the
// record begun. The encoding is
// - UTF-8 (a byte-order mark is skipped) when all of it is valid UTF-8;
// - Windows-1252, as older programs write, when it holds no character of
//   two or more bytes in UTF-8, unless it holds a byte that Windows-1252
//   leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D): refused with its line;
// - refused otherwise, with the line and column of the first byte that is
//   not UTF-8: no one encoding reads UTF-8 beside other bytes right.
class CsvReader {
public:
    explicit CsvReader(QIODevice* in, qint64 blockSize = 64 * 1024);
    ~CsvReader();
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;

    // Reads the next record (the first call also decides the encoding).
    // Returns false at the end of the data or at the first fault; a fault
    // ends reading, and error() and errorLine() tell what and where.
    bool next(CsvRecord& record);

    const QString& error() const { return error_; }  // empty when there is none
    qint64 errorLine() const { return errorLine_; }
    // True when the data is not UTF-8 and was read as Windows-1252.
    bool windows1252() const { return windows1252_; }
    // The separator of the fields: ',', ';' or '\t' (known once next() was called).
    char separator() const { return separator_; }
    // Progress of the second pass: bytes read of all.
    qint64 bytesRead() const;
    qint64 bytesTotal() const;

private:
    static void onField(void* data, size_t size, void* self);
    static void onRecordEnd(int terminator, void* self);
    void start();
    void readBlock();
    void parse(const char* data, qsizetype size);
    void fail(qint64 line, const QString& message);

    QIODevice* in_;
    qint64 blockSize_;
    qint64 startPos_ = 0;
    std::unique_ptr<csv_parser> parser_;
    enum { NotStarted, Reading, Finished, Failed } state_ = NotStarted;
    bool windows1252_ = false;
    char separator_ = ',';
    QByteArray block_;
    std::deque<CsvRecord> ready_;  // parsed from the block, not yet taken
    CsvRecord record_;             // the one being parsed
    bool inRecord_ = false;        // record_ has begun
    qint64 fieldBytes_ = 0;        // read since the last field ended
    qint64 line_ = 1;              // the line of the next byte
    bool afterCr_ = false;         // the last byte was a CR: an LF now ends no new line
    QString error_;
    qint64 errorLine_ = 0;
};
