#pragma once

#include <QCoro/QCoroTask>
#include <QDialog>
#include <QObject>
#include <QTimer>
#include <functional>

class QAction;
class QAbstractItemView;
class QLabel;
class QMenu;
class QProgressBar;

// The widgets of customers in and out: the grid's menu, the file dialogs
// and the progress dialog.

// The grid's menu of customers in and out, and of their history. It opens
// on a right click, and on the Menu key and Shift+F10 while the grid has
// the focus, where Ctrl+Shift+E also exports and Ctrl+C copies. Its entries
// are enabled only while the grid is and available() says so (the history
// of the current customer only while one is shown); the keys of disabled
// entries do nothing.
class TransferMenu : public QObject {
    Q_OBJECT
public:
    explicit TransferMenu(QAbstractItemView* grid);

    QAction* exportListed;
    QAction* copy;
    QAction* import;
    QAction* deletedCustomers;
    QAction* customerHistory;
    // Printing: the listed customers (also Ctrl+P anywhere in the window),
    // their preview, the current customer, address labels.
    QAction* print;
    QAction* printPreview;
    QAction* printCustomer;
    QAction* printLabels;
    QMenu* menu() const { return menu_; }
    // Whether the entries can be used now, besides the grid being enabled.
    std::function<bool()> available = [] { return true; };
    // Whether a customer is shown, whose history can be listed.
    std::function<bool()> customerShown = [] { return true; };
    // Enables the entries as the grid and available() say.
    void update();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Opens the menu at a point of the grid's rows, or at the current cell.
    void open(const QPoint* at);

    QAbstractItemView* grid_;
    QMenu* menu_;
};

// What a CSV file is chosen for.
enum class CsvFileUse { Export, Import };
// Asks for the CSV file to write or to read; "" when the user cancels.
QCoro::Task<QString> ask_csv_file(QWidget* parent, CsvFileUse use);

// The progress of a long export or import, with a Cancel button, modal for
// the window. It shows only once the work has taken half a second; until
// then the window holds the user's input, as it does while it waits.
class TransferProgress : public QDialog {
    Q_OBJECT
public:
    TransferProgress(QWidget* parent, const QString& label);
    // The rows done of total (0 while the total is not known).
    void update(qint64 done, qint64 total);
    bool wasCanceled() const { return canceled_; }

public slots:
    void cancel();

signals:
    void canceled();

private:
    QLabel* label_;
    QProgressBar* bar_;
    QTimer show_;
    bool canceled_ = false;
};
