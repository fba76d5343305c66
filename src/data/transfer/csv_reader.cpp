#include "data/transfer/csv_reader.h"

#include "data/customer_row.h"

#include <QCoreApplication>
#include <QByteArrayView>
#include <QIODevice>
#include <algorithm>
#include <csv.h>

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

// Windows-1252 is Latin-1 but for 0x80 to 0x9F. A file holding one of its
// five unassigned bytes is refused before it is decoded; they are kept
// here at their Latin-1 code points only to fill the table.
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

// A byte as a message shows it: "0xE9".
QString hex(uchar byte)
{
    return QStringLiteral("0x") + QString::fromLatin1(QByteArray(1, char(byte)).toHex().toUpper());
}

bool unassigned_in_windows1252(uchar c)
{
    return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

// What the first pass learns of a file's encoding, fed its bytes a block at
// a time: whether it holds any character of two or more bytes in valid
// UTF-8, where its first byte is that is not UTF-8, and the first line
// holding a byte that Windows-1252 leaves unassigned. Lines count as the
// reader counts them; a column counts characters, each UTF-8 sequence one.
class EncodingScan {
public:
    struct Place {
        qint64 line = 0;
        qint64 column = 0;
        uchar byte = 0;
    };

    explicit EncodingScan(bool bom) : multibyte(bom) {}

    void feed(QByteArrayView bytes)
    {
        const char* at = bytes.begin();
        while (at < bytes.end()) {
            // A run of ASCII within a line, the most of most files, only
            // moves the column on.
            const char* run = at;
            while (run < bytes.end() && uchar(*run) < 0x80 && *run != '\r' && *run != '\n')
                ++run;
            if (run > at && pending_ == 0) {
                column_ += run - at;
                afterCr_ = false;
                at = run;
            } else {
                step(uchar(*at++));
            }
        }
    }
    // A sequence begun at the end of the data lacks its end.
    void finish()
    {
        if (pending_ > 0)
            broken(lead_);
    }

    bool multibyte;     // a byte-order mark counts too
    Place notUtf8;      // the first byte that is not UTF-8; line 0 when none is
    Place unassigned;   // line 0 when none is; its column is not kept

private:
    void step(uchar c)
    {
        if (!unassigned.line && unassigned_in_windows1252(c))
            unassigned = Place{line_, 0, c};
        if (pending_ > 0) {
            if (c >= low_ && c <= high_) {
                low_ = 0x80;
                high_ = 0xBF;
                if (--pending_ == 0)
                    multibyte = true;
                return;
            }
            pending_ = 0;
            broken(lead_);  // and c begins a character of its own
        }
        const Place here{line_, ++column_, c};
        if (c == '\r' || c == '\n') {
            if (!(c == '\n' && afterCr_))
                ++line_;
            column_ = 0;
        }
        afterCr_ = c == '\r';
        if (c < 0x80)
            return;
        // The second byte's range excludes overlong forms, surrogates and
        // code points beyond U+10FFFF, as RFC 3629 says.
        if (c >= 0xC2 && c <= 0xDF)
            begin(here, 1, 0x80, 0xBF);
        else if (c == 0xE0)
            begin(here, 2, 0xA0, 0xBF);
        else if (c == 0xED)
            begin(here, 2, 0x80, 0x9F);
        else if (c >= 0xE1 && c <= 0xEF)
            begin(here, 2, 0x80, 0xBF);
        else if (c == 0xF0)
            begin(here, 3, 0x90, 0xBF);
        else if (c >= 0xF1 && c <= 0xF3)
            begin(here, 3, 0x80, 0xBF);
        else if (c == 0xF4)
            begin(here, 3, 0x80, 0x8F);
        else
            broken(here);
    }
    void begin(const Place& lead, int pending, uchar low, uchar high)
    {
        lead_ = lead;
        pending_ = pending;
        low_ = low;
        high_ = high;
    }
    void broken(const Place& at)
    {
        if (!notUtf8.line)
            notUtf8 = at;
    }

    qint64 line_ = 1;
    qint64 column_ = 0;     // of the last character begun on the line
    bool afterCr_ = false;
    Place lead_;            // the first byte of the sequence begun
    int pending_ = 0;       // the bytes it still needs
    uchar low_ = 0x80;      // the range of the next of them
    uchar high_ = 0xBF;
};

// The separator that the heading line uses, fed the file's bytes a block
// at a time: the first comma, semicolon or tab outside quotes in the first
// line that is not blank; a comma when it holds none.
class SeparatorScan {
public:
    void feed(QByteArrayView bytes)
    {
        for (const char c : bytes) {
            if (done_)
                return;
            if ((c == '\r' || c == '\n') && !quoted_) {
                done_ = begun_;  // blank lines before the heading line are skipped
                continue;
            }
            begun_ = true;
            if (c == '"') {
                quoted_ = !quoted_;
            } else if (!quoted_ && (c == ',' || c == ';' || c == '\t')) {
                separator = c;
                done_ = true;
            }
        }
    }

    char separator = ',';

private:
    bool begun_ = false;
    bool quoted_ = false;
    bool done_ = false;
};

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
    const QString unreadable = QCoreApplication::translate("CsvReader", "cannot read the file: %1");
    if (in_->isSequential())
        return fail(1, QCoreApplication::translate("CsvReader", "the data cannot be read twice (it is not a file)"));
    startPos_ = in_->pos();
    const QByteArray head = in_->read(3);
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF"))
        return fail(1, QCoreApplication::translate("CsvReader", "the file is UTF-16 text; save it as CSV in UTF-8"));
    const bool bom = head == "\xEF\xBB\xBF";
    const qint64 dataPos = startPos_ + (bom ? 3 : 0);
    if (!in_->seek(dataPos))
        return fail(1, unreadable.arg(in_->errorString()));

    // First pass: the encoding, and the heading line's separator.
    EncodingScan encoding(bom);
    SeparatorScan heading;
    for (;;) {
        block_.resize(blockSize_);
        const qint64 n = in_->read(block_.data(), blockSize_);
        if (n < 0)
            return fail(1, unreadable.arg(in_->errorString()));
        if (n == 0)
            break;
        encoding.feed(QByteArrayView(block_.constData(), n));
        heading.feed(QByteArrayView(block_.constData(), n));
    }
    encoding.finish();

    // UTF-8 when all of it is. Bytes that are not UTF-8 beside characters
    // that are mean a file pieced together or damaged: no one encoding
    // reads it right, and it is refused rather than guessed at.
    if (const EncodingScan::Place& bad = encoding.notUtf8; bad.line && encoding.multibyte)
        return fail(bad.line, QCoreApplication::translate("CsvReader", "the byte %1 in column %2 is not UTF-8, though the file holds "
                                                                        "UTF-8 characters elsewhere; save it again as CSV in UTF-8")
                                   .arg(hex(bad.byte))
                                   .arg(bad.column));
    windows1252_ = encoding.notUtf8.line != 0;
    if (const EncodingScan::Place& bad = encoding.unassigned; bad.line && windows1252_)
        return fail(bad.line, QCoreApplication::translate("CsvReader", "the file is not UTF-8, and read as Windows-1252 its byte %1 "
                                                                        "stands for no character; save it again as CSV in UTF-8")
                                   .arg(hex(bad.byte)));
    separator_ = heading.separator;
    csv_set_delim(parser_.get(), uchar(separator_));
    if (!in_->seek(dataPos))
        return fail(1, unreadable.arg(in_->errorString()));
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
