#include "data/transfer/csv_reader.h"

#include "data/customer_row.h"

#include <QCoreApplication>
#include <QByteArrayView>
#include <QIODevice>
#include <algorithm>
#include <csv.h>
#include <cstring>

namespace {

// A field longer than any text a customer may hold, or a record of more
// fields than any table has, is refused rather than held: it is almost
// always an opening quote without its closing one, swallowing the file.
// A text of kMaxTextLength characters takes at most three bytes each in
// UTF-8 (a quote doubled takes two), and two quotes around it.
constexpr qint64 kMaxFieldBytes = 3 * kMaxTextLength + 2;
constexpr qsizetype kMaxFields = 1000;
// The smallest step by which libcsv's buffer for a field grows.
constexpr qint64 kBlockSize = 4096;

// Windows-1252 is Latin-1 but for 0x80 to 0x9F. Its five unassigned bytes
// keep their Latin-1 code points, as browsers decode them.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString from_windows1252(const char* data, qsizetype size)
{
    QString text(size, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < size; ++i) {
        const uchar c = uchar(data[i]);
        out[i] = c >= 0x80 && c < 0xA0 ? kWindows1252High[c - 0x80] : c;
    }
    return text;
}

// The bytes at the end of data that begin a UTF-8 sequence without its end
// (0 to 3), so that a block boundary never splits a character in two.
qsizetype incomplete_tail(QByteArrayView data)
{
    for (qsizetype back = 1; back <= 3 && back <= data.size(); ++back) {
        const uchar c = uchar(data[data.size() - back]);
        if ((c & 0xC0) == 0x80)
            continue;  // a continuation byte
        const qsizetype length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

int no_blanks(unsigned char)
{
    return 0;  // spaces and tabs belong to the field, as RFC 4180 says
}

}  // namespace

CsvReader::CsvReader(QIODevice* in, qint64 blockSize)
    : in_(in), blockSize_(blockSize), parser_(std::make_unique<csv_parser>())
{
    csv_init(parser_.get(), CSV_STRICT | CSV_STRICT_FINI | CSV_EMPTY_IS_NULL);
    csv_set_space_func(parser_.get(), no_blanks);
    csv_set_blk_size(parser_.get(), kBlockSize);
}

CsvReader::~CsvReader()
{
    csv_free(parser_.get());
}

bool CsvReader::next(CsvRecord& record)
{
    if (state_ == NotStarted)
        start();
    while (ready_.empty() && state_ == Reading)
        readBlock();
    if (ready_.empty())
        return false;
    record = std::move(ready_.front());
    ready_.pop_front();
    return true;
}

qint64 CsvReader::bytesRead() const
{
    return state_ == NotStarted ? 0 : in_->pos() - startPos_;
}

qint64 CsvReader::bytesTotal() const
{
    return in_->size() - startPos_;
}

void CsvReader::start()
{
    state_ = Failed;
    if (in_->isSequential())
        return fail(1, QCoreApplication::translate("CsvReader", "the data cannot be read twice (it is not a file)"));
    startPos_ = in_->pos();

    // First pass: is all of it UTF-8? Carries an incomplete character over
    // to the next block.
    bool utf8 = true;
    qsizetype carried = 0;
    for (;;) {
        block_.resize(carried + blockSize_);
        const qint64 n = in_->read(block_.data() + carried, blockSize_);
        if (n < 0)
            return fail(1, QCoreApplication::translate("CsvReader", "cannot read the file: %1").arg(in_->errorString()));
        if (n == 0) {
            utf8 = carried == 0;
            break;
        }
        const QByteArrayView data(block_.constData(), carried + n);
        const qsizetype tail = incomplete_tail(data);
        if (!data.first(data.size() - tail).isValidUtf8()) {
            utf8 = false;
            break;
        }
        std::memmove(block_.data(), data.data() + data.size() - tail, size_t(tail));
        carried = tail;
    }

    if (!in_->seek(startPos_))
        return fail(1, QCoreApplication::translate("CsvReader", "cannot read the file: %1").arg(in_->errorString()));
    const QByteArray head = in_->read(3);
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF"))
        return fail(1, QCoreApplication::translate("CsvReader", "the file is UTF-16 text; save it as CSV in UTF-8"));
    const bool bom = head == "\xEF\xBB\xBF";
    if (bom && !utf8)
        return fail(1, QCoreApplication::translate("CsvReader", "the file begins with a UTF-8 byte-order mark but is not valid UTF-8"));
    windows1252_ = !utf8;
    if (!in_->seek(startPos_ + (bom ? 3 : 0)))
        return fail(1, QCoreApplication::translate("CsvReader", "cannot read the file: %1").arg(in_->errorString()));
    state_ = Reading;
}

void CsvReader::readBlock()
{
    block_.resize(blockSize_);
    const qint64 n = in_->read(block_.data(), blockSize_);
    if (n < 0)
        return fail(line_, QCoreApplication::translate("CsvReader", "cannot read the file: %1").arg(in_->errorString()));
    if (n > 0)
        return parse(block_.constData(), n);
    state_ = Finished;
    if (csv_fini(parser_.get(), onField, onRecordEnd, this) != 0 && state_ != Failed)
        fail(record_.line, QCoreApplication::translate("CsvReader", "a quoted field has no closing quote"));
}

// Hands the data to libcsv a line at a time (up to and with each CR or LF),
// so that the line where a record begins, and a fault, are known.
void CsvReader::parse(const char* data, qsizetype size)
{
    for (qsizetype at = 0; at < size && state_ == Reading;) {
        qsizetype end = at;
        while (end < size && data[end] != '\n' && data[end] != '\r')
            ++end;
        const bool lineEnds = end < size;
        const qsizetype length = end - at + (lineEnds ? 1 : 0);
        // libcsv skips blank lines; any other byte begins a record.
        if (!inRecord_ && end > at) {
            inRecord_ = true;
            record_.line = line_;
        }
        if (inRecord_)
            fieldBytes_ += length;
        if (fieldBytes_ > kMaxFieldBytes)
            return fail(record_.line, QCoreApplication::translate("CsvReader", "a field is longer than any text may be (%1 characters); "
                                                                          "is a closing quote missing?")
                                          .arg(kMaxTextLength));
        // libcsv grows a field's buffer by its block size: a block as large
        // as the field so far keeps a long field from being copied over
        // and over as it grows.
        csv_set_blk_size(parser_.get(), size_t(std::max<qint64>(kBlockSize, fieldBytes_)));
        if (csv_parse(parser_.get(), data + at, size_t(length), onField, onRecordEnd, this) != size_t(length)) {
            if (csv_error(parser_.get()) != CSV_EPARSE)
                return fail(line_, QString::fromUtf8(csv_strerror(csv_error(parser_.get()))));
            QString message = QCoreApplication::translate("CsvReader", "a double quote is out of place: a field holding quotes must be "
                                             "quoted, and a closing quote must end the field");
            if (record_.line != line_)
                message += QCoreApplication::translate("CsvReader", " (in the record that begins on line %1)").arg(record_.line);
            return fail(line_, message);
        }
        if (lineEnds) {
            if (!(data[end] == '\n' && end == at && afterCr_))
                ++line_;
            afterCr_ = data[end] == '\r';
        } else if (end > at) {
            afterCr_ = false;
        }
        at += length;
    }
}

void CsvReader::onField(void* data, size_t size, void* self)
{
    auto* reader = static_cast<CsvReader*>(self);
    if (reader->state_ == Failed)
        return;
    reader->fieldBytes_ = 0;
    if (reader->record_.fields.size() >= kMaxFields)
        return reader->fail(reader->record_.line, QCoreApplication::translate("CsvReader", "the record has more than %1 fields").arg(kMaxFields));
    const char* bytes = static_cast<const char*>(data);
    QString field;  // NULL when libcsv passes no data
    if (bytes && size == 0)
        field = QStringLiteral("");
    else if (bytes && reader->windows1252_)
        field = from_windows1252(bytes, qsizetype(size));
    else if (bytes)
        field = QString::fromUtf8(bytes, qsizetype(size));
    reader->record_.fields.append(std::move(field));
}

void CsvReader::onRecordEnd(int, void* self)
{
    auto* reader = static_cast<CsvReader*>(self);
    if (reader->state_ == Failed)
        return;
    reader->ready_.push_back(std::move(reader->record_));
    reader->record_ = CsvRecord();
    reader->inRecord_ = false;
    reader->fieldBytes_ = 0;
}

void CsvReader::fail(qint64 line, const QString& message)
{
    state_ = Failed;
    errorLine_ = line;
    error_ = message;
}
