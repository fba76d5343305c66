#include "data/background_count.h"

#include "data/connection.h"

namespace {

// Lives in the counting thread, with the connection it counts on.
class Worker : public QObject {
public:
    explicit Worker(std::atomic<quint64>& latest) : latest_(latest) {}

    // The count, or -1 when a later request came first or it failed.
    qint64 count(quint64 id, const QString& target, const QString& password, const QString& sql,
                 const QVariantList& params)
    {
        if (id != latest_)
            return -1;
        try {
            if (!cn_ || target != target_) {
                cn_ = std::make_unique<Connection>();
                // Counting a large listing may rightly take long.
                cn_->setAnswerWaits(Connection::kLongAnswerWaitMs, Connection::kLongAnswerWaitMs);
                cn_->setPassword(password);
                cn_->open(target);
                target_ = target;
            }
            return cn_->scalar(sql, params).toLongLong();
        } catch (const DbError&) {
            // The window counts for itself when it needs the number.
            cn_.reset();
            return -1;
        }
    }

private:
    std::atomic<quint64>& latest_;
    std::unique_ptr<Connection> cn_;
    QString target_;
};

}  // namespace

BackgroundCount::BackgroundCount(QObject* parent) : QObject(parent), worker_(new Worker(latest_))
{
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
}

BackgroundCount::~BackgroundCount()
{
    latest_ = 0;
    thread_.quit();
    thread_.wait();
}

void BackgroundCount::request(quint64 id, const QString& target, const QString& password, const QString& sql,
                              const QVariantList& params)
{
    latest_ = id;
    auto* worker = static_cast<Worker*>(worker_);
    QMetaObject::invokeMethod(worker_, [=, this] {
        const qint64 n = worker->count(id, target, password, sql, params);
        if (n >= 0)
            emit counted(id, n);  // queued to the requester's thread
    });
}
