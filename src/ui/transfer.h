#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QProgressDialog>
#include <functional>

class QAction;
class QAbstractItemView;
class QMenu;

// The widgets of customers in and out: the grid's menu, the file dialogs
// and the progress dialog.

// The grid's menu of customers in and out. It opens on a right click, and
// on the Menu key and Shift+F10 while the grid has the focus, where
// Ctrl+Shift+E also exports and Ctrl+C copies. Its entries are enabled
// only while the grid is and available() says so; the keys of disabled
// entries do nothing.
class TransferMenu : public QObject {
    Q_OBJECT
public:
    explicit TransferMenu(QAbstractItemView* grid);

    QAction* exportListed;
    QAction* copy;
    QAction* import;
    QMenu* menu() const { return menu_; }
    // Whether the entries can be used now, besides the grid being enabled.
    std::function<bool()> available = [] { return true; };
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
QString ask_csv_file(QWidget* parent, CsvFileUse use);

// The progress of a long export or import, with a Cancel button. The
// dialog shows only once the work has taken half a second; until then the
// window takes no input, and afterwards the dialog keeps it from the
// window, so that nothing else begins meanwhile.
class TransferProgress {
public:
    TransferProgress(QWidget* parent, const QString& label);
    // Tells the rows done of total (0 while the total is not known);
    // false once the user has cancelled.
    bool update(qint64 done, qint64 total);
    QProgressDialog& dialog() { return dialog_; }

private:
    QProgressDialog dialog_;
    QElapsedTimer started_;
    QElapsedTimer sinceEvents_;  // since events were last taken
};
