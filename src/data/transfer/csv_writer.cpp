#include "data/transfer/csv_writer.h"

#include <QCoreApplication>
#include <QIODevice>

namespace {

constexpr qsizetype kFlushAt = 256 * 1024;

bool is_blank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool needs_quotes(const QString& text, CsvWriter::Format format)
{
    const QChar separator = format == CsvWriter::Csv ? u',' : u'\t';
    for (QChar c : text) {
        if (c == separator || c == u'"' || c == u'\r' || c == u'\n')
            return true;
    }
    return format == CsvWriter::Csv && !text.isEmpty() && (is_blank(text.front()) || is_blank(text.back()));
}

}  // namespace

CsvWriter::CsvWriter(QIODevice* out, Format format) : out_(out), format_(format)
{
    buffer_.reserve(kFlushAt + 64 * 1024);
}

CsvWriter::~CsvWriter()
{
    flush();
}

bool CsvWriter::write(const QVariantList& fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            buffer_ += format_ == Csv ? ',' : '\t';
        appendField(fields[i]);
    }
    buffer_ += format_ == Csv ? "\r\n" : "\n";
    return buffer_.size() < kFlushAt ? error_.isEmpty() : flush();
}

void CsvWriter::appendField(const QVariant& value)
{
    QString text = value.toString();
    if (value.isNull() || text.isNull())
        return;  // NULL: nothing between the separators
    const bool quoted = needs_quotes(text, format_) || (text.isEmpty() && format_ == Csv);
    if (quoted) {
        text.replace(u'"', QStringLiteral("\"\""));
        buffer_ += '"';
    }
    // Encodes straight into the buffer, without a temporary QByteArray.
    const qsizetype at = buffer_.size();
    buffer_.resize(at + utf8_.requiredSpace(text.size()));
    char* end = utf8_.appendToBuffer(buffer_.data() + at, text);
    buffer_.truncate(end - buffer_.constData());
    if (quoted)
        buffer_ += '"';
}

bool CsvWriter::flush()
{
    if (!error_.isEmpty())
        return false;
    // A write cut short (a disk filling up) sets no error; the next one
    // fails and tells the system's reason, such as "No space left on device".
    for (qsizetype done = 0; done < buffer_.size();) {
        const qint64 n = out_->write(buffer_.constData() + done, buffer_.size() - done);
        if (n <= 0) {
            error_ = out_->errorString().isEmpty() ? QCoreApplication::translate("CsvWriter", "the data could not be written")
                                                   : out_->errorString();
            return false;
        }
        done += n;
    }
    buffer_.truncate(0);  // keeps the capacity
    return true;
}
