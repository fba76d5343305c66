#include "data/transfer/access_file.h"

#include "data/db_error.h"
#include "data/transfer/access_stream.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QUuid>
#include <QtEndian>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

// Bytes 4 to 19 of the first page name the format.
constexpr char kJet[] = "Standard Jet DB";  // Jet 3 and Jet 4 (.mdb)
constexpr char kAce[] = "Standard ACE DB";  // Access 2007 and later (.accdb)

// The reader program: where TALLYHOUSE_ACCESS_READER says (the tests), beside
// the program (a build, or a program copied into a folder with it), or
// where it is installed.
QString reader_program()
{
    const QString set = qEnvironmentVariable("TALLYHOUSE_ACCESS_READER");
    if (!set.isEmpty())
        return set;
    const QString dir = QCoreApplication::applicationDirPath();
    const QString beside = dir + QStringLiteral("/tallyhouse-access-reader");
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QDir::cleanPath(dir + QStringLiteral("/" TALLYHOUSE_READER_FROM_BINDIR "/tallyhouse-access-reader"));
}

// Whether what the reader wrote on standard error before it ended tells
// that it ran out of the memory it may take: GLib's, C++'s and the
// sanitizers' words for it.
bool out_of_memory(const QByteArray& said)
{
    for (const char* words : {"failed to allocate", "bad_alloc", "out of memory", "hard rss limit", "allocation-size-too-big"})
        if (said.contains(words))
            return true;
    return false;
}

}  // namespace

bool is_access_file(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(20);
    return head.size() == 20 && head[0] == 0 && (head.mid(4) == QByteArray(kJet, 16) || head.mid(4) == QByteArray(kAce, 16));
}

QString access_file_name(const QString& path)
{
    return u'"' + path + u'"';
}

// One run of the reader program over the file: started at once, ended
// (killed if need be) when destroyed.
class AccessCustomerSource::Reader {
public:
    explicit Reader(const QString& path) : name_(access_file_name(path))
    {
        const QString program = reader_program();
        const auto cannot = [&](const QString& why) {
            return DbError(DbError::NotADatabase, QCoreApplication::translate("AccessFile", "Cannot read the Access database %1: the reader %2 cannot be started: %3.")
                                                      .arg(name_, program, why));
        };
        if (!reports_.open())
            throw cannot(reports_.errorString());
        int pipe[2];
        if (::pipe2(pipe, O_CLOEXEC) != 0)
            throw cannot(QString::fromLocal8Bit(std::strerror(errno)));
        const QByteArray file = QFile::encodeName(program), argument = QFile::encodeName(path);
        char* argv[] = {const_cast<char*>(file.constData()), const_cast<char*>(argument.constData()), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, reports_.handle(), STDERR_FILENO);
        const int failed = posix_spawn(&pid_, file.constData(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipe[1]);
        out_ = pipe[0];
        if (failed != 0) {
            ::close(out_);
            pid_ = -1;
            throw cannot(QString::fromLocal8Bit(std::strerror(failed)));
        }
    }

    ~Reader()
    {
        ::close(out_);
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    // The reader's next message. A DbError when it ends without one, says
    // what cannot be understood, or gives no word for kSilenceSeconds.
    access_stream::Message next()
    {
        for (;;) {
            const qsizetype have = buffer_.size() - at_;
            if (have >= 4) {
                const qsizetype length = qFromLittleEndian<quint32>(buffer_.constData() + at_);
                if (have >= 4 + length) {
                    const auto message = access_stream::parse(buffer_.mid(at_ + 4, length));
                    at_ += 4 + length;
                    if (!message)
                        throw damaged(unclear());
                    if (message->tag == access_stream::Tag::Customer)
                        ++rows_;
                    return *message;
                }
            }
            if (at_ > 0 && at_ == buffer_.size()) {
                buffer_.clear();
                at_ = 0;
            }
            read_more();
        }
    }

    // The file is damaged and cannot be read, and why.
    DbError damaged(QString why) const
    {
        if (rows_ > 0)
            why = QCoreApplication::translate("AccessFile", "%1, after row %2").arg(why).arg(rows_);
        return DbError(DbError::NotADatabase, QCoreApplication::translate("AccessFile", "The Access database %1 is damaged and cannot be read (%2).").arg(name_, why));
    }
    static QString unclear() { return QCoreApplication::translate("AccessFile", "its reader gave an answer that cannot be understood"); }

private:
    void read_more()
    {
        char chunk[64 * 1024];
        for (;;) {
            pollfd ready{out_, POLLIN, 0};
            const int polled = ::poll(&ready, 1, access_stream::kSilenceSeconds * 1000);
            if (polled < 0 && errno == EINTR)
                continue;
            if (polled == 0)
                throw damaged(silent());
            const ssize_t n = ::read(out_, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throw damaged(ended());
            buffer_.append(chunk, n);
            return;
        }
    }

    static QString silent()
    {
        const int seconds = access_stream::kSilenceSeconds;
        return QCoreApplication::translate("AccessFile", "libmdb gave no answer for %n seconds", nullptr, seconds);
    }

    // Why the reader ended before its last word.
    QString ended()
    {
        int status = 0;
        pid_t done = 0;
        for (int waited = 0; (done = ::waitpid(pid_, &status, WNOHANG)) == 0 && waited < access_stream::kSilenceSeconds * 100; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (done != pid_)
            return silent();
        pid_ = -1;
        reports_.seek(0);
        if (out_of_memory(reports_.read(64 * 1024)))
            return QCoreApplication::translate("AccessFile", "reading it takes more than the %1 MB of memory allowed").arg(access_stream::kMemoryMb);
        if (WIFSIGNALED(status))
            return QCoreApplication::translate("AccessFile", "libmdb crashed reading it: %1").arg(QString::fromLocal8Bit(strsignal(WTERMSIG(status))));
        return QCoreApplication::translate("AccessFile", "its reader ended with the status %1").arg(WEXITSTATUS(status));
    }

    QString name_;
    QTemporaryFile reports_;  // the reader's standard error
    pid_t pid_ = -1;
    int out_ = -1;
    QByteArray buffer_;
    qsizetype at_ = 0;  // in buffer_, where the next message begins
    qint64 rows_ = 0;
};

AccessCustomerSource::AccessCustomerSource(const QString& path) : path_(path)
{
    rewind();
}

AccessCustomerSource::~AccessCustomerSource() = default;

qint64 AccessCustomerSource::count() const
{
    return read_ >= 0 ? read_ : count_;
}

void AccessCustomerSource::rewind()
{
    reader_.reset();
    row_ = 0;
    error_.clear();
    errorRow_ = 0;
    auto reader = std::make_unique<Reader>(path_);
    const access_stream::Message first = reader->next();
    if (first.tag == access_stream::Tag::Refused)
        throw DbError(int(first.number), first.text);
    if (first.tag != access_stream::Tag::Opened)
        throw reader->damaged(Reader::unclear());
    count_ = first.number;
    reader_ = std::move(reader);
}

bool AccessCustomerSource::next(ImportedCustomer& customer)
{
    if (!reader_)
        return false;
    access_stream::Message m = reader_->next();
    switch (m.tag) {
    case access_stream::Tag::Customer:
        customer = std::move(m.customer);
        ++row_;
        return true;
    case access_stream::Tag::End:
        read_ = row_;
        break;
    case access_stream::Tag::Fault:
        errorRow_ = m.number;
        error_ = m.text;
        break;
    default:
        throw reader_->damaged(Reader::unclear());
    }
    reader_.reset();
    return false;
}

ImportResult replace_with_copy(const QString& path, AccessCustomerSource& source, QString* keptAs)
{
    const QFileInfo info(path);
    const QString dir = info.absolutePath();
    // db40.mdb is kept as db40.access.mdb: the name says what it is, and
    // keeps its ending.
    const QString base = info.completeBaseName(), suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    QString kept;
    for (int n = 1; kept.isEmpty() || QFileInfo::exists(kept); ++n)
        kept = QStringLiteral("%1/%2.access%3%4").arg(dir, base, n == 1 ? QString() : QStringLiteral("-%1").arg(n), suffix);

    const QString copy = QStringLiteral("%1/.%2.copy-%3").arg(dir, info.fileName(), QUuid::createUuid().toString(QUuid::Id128).left(8));
    ImportResult result;
    try {
        result = create_filled_database(copy, source);
    } catch (const DbError& e) {
        throw e.prefixed(QCoreApplication::translate("AccessFile", "Cannot copy the Access database %1 into a new database beside it: ").arg(source.name()));
    }
    if (result.outcome != ImportResult::Done)
        return result;
    const auto fail = [&](const QString& why) {
        QFile::remove(copy);
        return DbError(DbError::FileExists, QCoreApplication::translate("AccessFile", "Cannot put the copy of the Access database %1 in its place: %2; nothing was changed.")
                                                .arg(source.name(), why));
    };
    // Rename never replaces a file that exists.
    if (!QFile::rename(path, kept))
        throw fail(QCoreApplication::translate("AccessFile", "it cannot be renamed to %1").arg(kept));
    if (!QFile::rename(copy, path)) {
        QFile::rename(kept, path);
        throw fail(QCoreApplication::translate("AccessFile", "the copy cannot be renamed to %1").arg(path));
    }
    if (keptAs)
        *keptAs = kept;
    return result;
}
