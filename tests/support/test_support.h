#pragma once

#include "form/form1.h"

#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>

namespace test {

using Row = QVector<QVariant>;  // the ten columns of dept

// A row with the given key and texts; the two numbers are 0. Pass a null
// QVariant for a NULL column.
Row row(qint64 key, QVariant first, QVariant last, QVariant address = "addr", QVariant email = "e@x",
        QVariant phone = "555", QVariant credit = "100", QVariant dept = "Sales");

// A temporary program directory holding db40.mdb with table dept and the
// given rows. The directory name may hold spaces and non-ASCII letters.
class TempDb {
public:
    explicit TempDb(const QVector<Row>& rows = {}, const QString& dirName = QStringLiteral("program dir"));
    // The sample customers the program ships with.
    static QVector<Row> sample();

    QString dir() const { return dir_; }
    QString path() const { return dir_ + QStringLiteral("/db40.mdb"); }

    // Reads and changes the file through a second connection, as another
    // program would.
    QVector<Row> rows(const QString& where = {}) const;
    qint64 count() const;
    void exec(const QString& sql, const QVariantList& params = {}) const;
    QString integrity() const;  // PRAGMA integrity_check

private:
    QTemporaryDir tmp_;
    QString dir_;
};

// The real main window on a database: modyul is reset and pointed at the
// directory, Form_Load runs and the window is shown and active.
class Window {
public:
    explicit Window(const TempDb& db);
    ~Window();
    Form1& operator*() { return *form_; }
    Form1* operator->() { return form_.get(); }
    Form1* get() { return form_.get(); }

    // Statuses with which the form asked the program to end.
    QList<int> ended;

    // The texts of Text1 to Text8 in display order.
    QStringList boxes() const;
    // The names of the enabled buttons among cmdfirst, cmdprev, cmdnext,
    // cmdlast, cmdadd, cmdedit, cmddel, cmdexit, cmdsave, in that order.
    QStringList enabledButtons() const;
    // The texts of one column in the rows the grid shows, top to bottom
    // (every row when they all fit on screen).
    QStringList gridColumn(int column) const;
    // Clicks a cell of this row of the grid's screenful, as the user
    // chooses a row.
    void clickGridRow(int row);
    // The grid's current row and the row number in Text1 agree.
    bool gridAgreesWithBoxes() const;

private:
    std::unique_ptr<Form1> form_;
};

// Answers the next message box that opens with this button, and records
// its title and text. Used around a call that opens a modal box.
struct MessageBoxAnswer {
    QString title;
    QString text;
    bool seen = false;
};
std::shared_ptr<MessageBoxAnswer> answer_next_message_box(QMessageBox::StandardButton button);

// While it lives, answers every message box that opens with its first
// button and records the box's text; a test checks that none opened.
class MessageBoxWatch {
public:
    MessageBoxWatch();
    QStringList seen;

private:
    QTimer timer_;
};

// Types text into a widget key by key, as a user would; letters beyond
// ASCII arrive as the text of a key stroke, as from a keyboard layout.
void type(QWidget* w, const QString& text);

}  // namespace test
