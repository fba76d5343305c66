// tallyhouse-access-reader FILE: reads table dept of a Microsoft Access file
// through libmdb and writes its customers on standard output, as
// access_stream says, for tallyhouse and tallyhouse-mkdb, which start it.
//
// libmdb runs here and never in those programs: on a damaged file it can
// crash, or allocate without bound, and then only this process ends. It
// takes at most access_stream::kMemoryMb of memory. Whatever libmdb
// reports on standard error (a file the starting program gives) refuses
// the copy: what it read past such a report may not be what the file holds.

#include "app/program.h"
#include "data/db_error.h"
#include "data/transfer/access_file.h"
#include "data/transfer/access_stream.h"
#include "data/transfer/access_table.h"

#include <QCoreApplication>
#include <QProcessEnvironment>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __SANITIZE_ADDRESS__
// The sanitizers reserve more address space than any bound would allow:
// their own bound on memory stands in for it.
extern "C" const char* __asan_default_options()
{
    return "hard_rss_limit_mb=1024:allocator_may_return_null=1";
}
#endif

namespace {

// Standard output, written in large pieces. Once a write fails (the
// program stopped listening) nothing more is written.
class Output {
public:
    void add(const QByteArray& message)
    {
        buffer_ += message;
        if (buffer_.size() >= 64 * 1024)
            flush();
    }
    void flush()
    {
        for (qsizetype done = 0; listening_ && done < buffer_.size();) {
            const ssize_t n = ::write(STDOUT_FILENO, buffer_.constData() + done, size_t(buffer_.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            listening_ = n > 0;
            done += n;
        }
        buffer_.clear();
    }
    bool listening() const { return listening_; }

private:
    QByteArray buffer_;
    bool listening_ = true;
};

// What libmdb has written on standard error since the last call: the
// reports it makes of what it finds wrong. Standard error must be a file
// for this; otherwise nothing is seen.
class Reports {
public:
    Reports() : file_(::open("/proc/self/fd/2", O_RDONLY | O_CLOEXEC)) {}
    ~Reports()
    {
        if (file_ >= 0)
            ::close(file_);
    }
    QString since()
    {
        struct stat st {};
        if (file_ < 0 || ::fstat(file_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= seen_)
            return {};
        QByteArray text(qsizetype(qMin<off_t>(st.st_size - seen_, 4096)), '\0');
        const ssize_t n = ::pread(file_, text.data(), size_t(text.size()), seen_);
        seen_ = st.st_size;
        // Its lines, as one.
        QStringList lines;
        for (const QByteArray& line : text.left(qMax<ssize_t>(n, 0)).split('\n'))
            if (const QString said = QString::fromLocal8Bit(line).trimmed(); !said.isEmpty())
                lines << said;
        QString said = lines.join(QStringLiteral("; "));
        while (said.endsWith(u'.'))
            said.chop(1);
        return said;
    }

private:
    int file_;
    off_t seen_ = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    // libmdb's debugging output, which MDBOPTS turns on, would read as
    // reports of damage.
    ::unsetenv("MDBOPTS");
#ifndef __SANITIZE_ADDRESS__
    const rlim_t bound = rlim_t(access_stream::kMemoryMb) * 1024 * 1024;
    const rlimit memory{bound, bound};
    setrlimit(RLIMIT_AS, &memory);
#endif
    QCoreApplication app(argc, argv);
    install_translations(app, user_languages(QProcessEnvironment::systemEnvironment()), translation_folders());
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fputs("Usage: tallyhouse-access-reader FILE\n", stderr);
        return 2;
    }
    Output out;
    Reports reports;
    const auto damaged = [](const QString& said) {
        return QCoreApplication::translate("AccessFile", "libmdb reports that the file is damaged: %1").arg(said);
    };
    try {
        AccessTable table(args[1]);
        if (const QString said = reports.since(); !said.isEmpty())
            throw DbError(DbError::NotADatabase,
                          QCoreApplication::translate("AccessFile", "Cannot read the Access database %1: ").arg(access_file_name(args[1])) + damaged(said) + u'.');
        out.add(access_stream::opened(table.count()));
        ImportedCustomer customer;
        for (qint64 row = 1; out.listening(); ++row) {
            const bool read = table.next(customer);
            // The reader's own word on a row it refuses says more than
            // libmdb's report on it.
            if (const QString said = reports.since(); !said.isEmpty() && table.error().isEmpty()) {
                out.add(access_stream::fault(row, damaged(said)));
                break;
            }
            if (read) {
                out.add(access_stream::customer(customer));
            } else {
                out.add(table.error().isEmpty() ? access_stream::end() : access_stream::fault(table.errorRow(), table.error()));
                break;
            }
        }
    } catch (const DbError& e) {
        out.add(access_stream::refused(e.number(), e.message()));
    }
    out.flush();
    return out.listening() ? 0 : 3;
}
