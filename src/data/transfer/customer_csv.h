#pragma once

#include "data/transfer/csv_reader.h"
#include "data/transfer/csv_writer.h"
#include "data/customer_row.h"

#include <QList>

// Customers as CSV files and as tab-separated text for the clipboard, and
// customers read from CSV files. The header line names dept's columns.

// Writes a header line with dept's ten column names, then one record per
// customer, as it comes.
class CustomerCsvWriter {
public:
    explicit CustomerCsvWriter(QIODevice* out, CsvWriter::Format format = CsvWriter::Csv);
    bool write(const CustomerRow& row);
    // The ten columns in dept's order, as a query reads them.
    bool write(const QVariantList& columns) { return csv_.write(columns); }
    bool flush() { return csv_.flush(); }
    QString errorString() const { return csv_.errorString(); }

private:
    CsvWriter csv_;
};

// The rows as tab-separated text with the header line, for the clipboard.
QString customers_as_tab_separated(const QList<CustomerRow>& rows);

// One customer read from a file.
struct ImportedCustomer {
    CustomerRow row;
    bool hasKey = false;  // false when its key was empty or absent: it needs a new one
    qint64 line = 0;      // where its record begins
};

// The checks of an import. Each returns what is wrong, or an empty string.
//
// The columns a header line names, as positions in kCustomerColumns, or
// kUnnamedColumn for an empty heading. A heading is a column's name or its
// caption in the window (column_caption) in any language the program
// speaks; headings match without regard to case, accents, blanks around
// them, a trailing colon or an access key's "&". Unknown and repeated
// headings are refused, and a line of empty headings; columns may be
// missing and come in any order.
inline constexpr int kUnnamedColumn = -1;
QString match_header(const QStringList& names, QList<int>& columns);
// The customer a record holds, its fields in the header's columns. Columns
// the file lacks stay NULL, the two numbers 0. The key must be a whole number
// or empty; the numbers must be numbers or empty (NULL), with a decimal
// comma in place of the point when decimalComma is true. A column without
// a heading must be empty: spreadsheets add such columns at the end.
QString customer_from_record(const QList<int>& columns, const QStringList& fields, bool decimalComma, ImportedCustomer& customer);

// Reads customers from a CSV file one at a time, so that the caller can
// store each in a transaction as it comes, show progress (bytesRead() of
// bytesTotal()) and cancel at any point by no longer calling next().
class CustomerCsvReader {
public:
    explicit CustomerCsvReader(QIODevice* in, qint64 blockSize = 64 * 1024) : csv_(in, blockSize) {}

    // Reads the header on the first call, then the next customer. Returns
    // false at the end of the file or at the first fault, which ends
    // reading: error() says what is wrong, errorLine() where.
    bool next(ImportedCustomer& customer);

    const QString& error() const { return error_; }  // empty when there is none
    qint64 errorLine() const { return errorLine_; }
    // True when the file is not UTF-8 and was read as Windows-1252.
    bool windows1252() const { return csv_.windows1252(); }
    qint64 bytesRead() const { return csv_.bytesRead(); }
    qint64 bytesTotal() const { return csv_.bytesTotal(); }

private:
    bool read(CsvRecord& record);
    bool fail(qint64 line, const QString& message);

    CsvReader csv_;
    QList<int> columns_;
    bool headerRead_ = false;
    QString error_;
    qint64 errorLine_ = 0;
};
