#pragma once

#include "data/transfer/customer_import.h"

#include <QByteArray>
#include <memory>

// Customers of a Microsoft Access database (Jet 3, Jet 4, and the .accdb
// files libmdb reads). Tallyhouse never writes one, and never reads one
// in its own process: a reader program of its own does (access_stream.h),
// within bounds of memory and time, so that a damaged file cannot take
// the window or tallyhouse-mkdb down.

// Whether the file at path begins as an Access database does, whatever its
// name.
bool is_access_file(const QString& path);

// The file as messages name it: its path in double quotes.
QString access_file_name(const QString& path);

// The customers of table dept of an Access file, in the file's order, as
// an import's source: every key is kept, texts come as they are stored,
// numbers as numbers, empty fields as NULL. A row that cannot be copied as
// it is stops the reading with its row number (next() false, error() why).
// A reader that crashes, runs out of memory or stops answering throws a
// DbError: the file is damaged and cannot be read, and why.
class AccessCustomerSource : public CustomerSource {
public:
    // Starts reading the file and checks that its table dept has exactly
    // the columns of ours. A DbError, naming the file, when it cannot be
    // read, is damaged, or its table differs: what is missing, and what a
    // copy would leave behind.
    explicit AccessCustomerSource(const QString& path);
    ~AccessCustomerSource() override;

    // The customers in table dept: those the last reading through found,
    // or before one as the file counts them.
    qint64 count() const;
    QString name() const { return access_file_name(path_); }

    void rewind() override;
    bool next(ImportedCustomer& customer) override;
    QString error() const override { return error_; }
    qint64 errorLine() const override { return errorRow_; }
    QString unit() const override { return QCoreApplication::translate("AccessFile", "row"); }
    bool keys_stay() const override { return true; }

private:
    class Reader;
    std::unique_ptr<Reader> reader_;
    QString path_;
    qint64 count_ = 0;
    qint64 row_ = 0;
    qint64 read_ = -1;  // the rows of the last reading through
    QString error_;
    qint64 errorRow_ = 0;
};

// Puts a new SQLite database of the Access file's customers in its place:
// the copy is made beside it under a temporary name, then the Access file
// is renamed (db40.mdb to db40.access.mdb, or db40.access-2.mdb and so on,
// never over another file) and the copy takes its name. All or nothing: a
// refused row (the result says which) or a DbError leaves the folder as it
// was. keptAs is told the Access file's new path.
ImportResult replace_with_copy(const QString& path, AccessCustomerSource& source, QString* keptAs = nullptr);
