#pragma once

#include "data/customer_history.h"

#include <QCoro/QCoroTask>
#include <QDialog>
#include <QPointer>
#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QTableView;
class VersionsModel;

// The two windows of the history of dept, opened from the grid's menu:
// the deleted customers, and every version of one customer. Each lists
// versions newest first, a page at a time: the first page is read before
// the window opens, the next ones on "More" or when the list is scrolled to
// its end. They read through a PageReader, which the window gives them and
// which asks the database; they write nothing. The chosen version comes
// back by the signal picked(), just before the window is accepted.

// Reads the page of versions older than a version's id (the newest page
// for none). A DbError when it cannot.
using PageReader = std::function<QCoro::Task<QVector<CustomerVersion>>(std::optional<qint64> older_than)>;

// What the two windows share: the table of versions, the paging, the
// button that acts on the chosen version and Close.
class VersionsDialog : public QDialog {
    Q_OBJECT
public:
    // Versions a page holds; a shorter page is the last one. The first
    // page, read before the window opens, is smaller: it fills the window,
    // and a window of fewer rows is made sooner.
    static constexpr qint64 kFirstPage = 50;
    static constexpr qint64 kPage = 200;
    // The versions to read after the version older_than (the first page
    // for none).
    static qint64 pageSize(std::optional<qint64> older_than) { return older_than ? kPage : kFirstPage; }

    // The versions shown, in table order.
    const QVector<CustomerVersion>& versions() const { return versions_; }
    // The table of versions; its model holds their texts.
    QTableView* table() const { return table_; }
    QPushButton* actButton() const { return act_; }
    QPushButton* moreButton() const { return more_; }
    // Whether the last page is in: a page shorter than asked was read.
    bool lastPageIn() const { return last_; }
    // Reads the next page, unless one is being read or the last was.
    void readMore();
    // Adds one page to the table; a full page means more may follow. The
    // first, read while the window is made, fits the columns and chooses
    // the newest version.
    void add(const QVector<CustomerVersion>& page);

signals:
    void picked(const CustomerVersion& version);

protected:
    // The dialog with its action's caption and the headings of the
    // table's columns, without rows until add().
    VersionsDialog(QWidget* parent, PageReader reader, const QString& act, const QStringList& headings);
    // The texts of version's row of the table, one a column, and which of
    // them are marked as changed.
    virtual QStringList texts(const CustomerVersion& version) const = 0;
    virtual QList<bool> changed(const CustomerVersion&) const { return {}; }
    // Whether the action may act on this version.
    virtual bool actsOn(const CustomerVersion&) const { return true; }
    // The window's line above the table, with how many are listed.
    virtual QString heading() const = 0;

private:
    // Reads a page for the dialog; a dialog gone meanwhile takes nothing.
    static QCoro::Task<> readPage(QPointer<VersionsDialog> dialog, PageReader reader, std::optional<qint64> older);
    void took(const QVector<CustomerVersion>& page, const QString& error);
    void updateAct();
    // The chosen version's row, or -1.
    int currentRow() const;
    // Each column as wide as its heading and the texts of the first page,
    // up to a limit.
    void fitColumns();

    PageReader reader_;
    QVector<CustomerVersion> versions_;
    bool reading_ = false;
    bool last_ = false;  // the last page is in
    QLabel* heading_;
    VersionsModel* model_;
    QTableView* table_;
    QLabel* status_;
    QPushButton* more_;
    QPushButton* act_;
};

// The customers deleted, newest first, as the main list is narrowed: their
// number and name, who deleted each and when (local time). "Bring back"
// picks one.
class DeletedCustomersDialog : public VersionsDialog {
    Q_OBJECT
public:
    DeletedCustomersDialog(QWidget* parent, PageReader reader);

protected:
    QStringList texts(const CustomerVersion& version) const override;
    QString heading() const override;
};

// Every version of one customer, newest first: when, who, what kind of
// change, and the customer's fields as they became (as they were, for a
// delete), those changed by that version in bold. "Restore this version"
// picks one whose texts differ from the customer's now.
class CustomerHistoryDialog : public VersionsDialog {
    Q_OBJECT
public:
    CustomerHistoryDialog(QWidget* parent, const CustomerRow& current, PageReader reader);

    // The customer's row as the version has it: after, or before for a delete.
    static CustomerRow row_of(const CustomerVersion& version);

protected:
    QStringList texts(const CustomerVersion& version) const override;
    QList<bool> changed(const CustomerVersion& version) const override;
    bool actsOn(const CustomerVersion& version) const override;
    QString heading() const override;

private:
    CustomerRow current_;
};
