#pragma once

#include <QObject>
#include <QThread>
#include <QVariantList>
#include <atomic>

// Counts rows on a connection of its own, in a thread of its own, so that
// the window shows the first rows of a large listing before its count is
// known. Only the latest request counts: one made before it is dropped.
class BackgroundCount : public QObject {
    Q_OBJECT
public:
    explicit BackgroundCount(QObject* parent = nullptr);
    ~BackgroundCount() override;

    // Runs sql (a "SELECT count(*) ...") with params on the database
    // target; counted(id, n) follows, unless a later request came first or
    // the count failed.
    void request(quint64 id, const QString& target, const QString& password, const QString& sql,
                 const QVariantList& params);

signals:
    void counted(quint64 id, qint64 count);

private:
    QThread thread_;
    QObject* worker_;
    std::atomic<quint64> latest_ = 0;
};
