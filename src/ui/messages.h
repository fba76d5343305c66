#pragma once

#include <QCoro/QCoroTask>
#include <QDialog>
#include <QPointer>
#include <QString>
#include <coroutine>

class DbError;
class QWidget;

// The messages the program shows, each in a message box, and how the
// window waits for the user's answer to one: as it waits for the
// database, by co_await. A box over a window is modal for that window; a
// box without one (at start-up) for the program.

// The user's answer to a dialog (QDialog::finished's result): shows it
// modal and goes on once it is answered, or Rejected when the dialog is
// gone first. The dialog is deleted afterwards.
QCoro::Task<int> answer(QDialog* dialog);

// A run-time error that ends the program: its number and message.
QCoro::Task<> report_runtime_error(QWidget* parent, const DbError& error);

// A change the database refused: the user is told what was not done and
// why, and the program goes on as before the click.
QCoro::Task<> report_refusal(QWidget* parent, const QString& what, const DbError& error);

// The database cannot do it now: another program holds it locked, or the
// server cannot be reached. What the user did could not be done, and then
// what happens next.
QCoro::Task<> report_unavailable(QWidget* parent, const DbError& error, const QString& next);

// At start-up, another program holds the database locked: true when the
// user wants to try again, false to give up.
QCoro::Task<bool> ask_retry_busy(QWidget* parent, const DbError& error);

// At start-up, no database was found: true when the user wants a new,
// empty one created at path, false to end the program.
QCoro::Task<bool> ask_create_database(QWidget* parent, const QString& path);

// At start-up, the database is a Microsoft Access file: true when the user
// wants its count customers copied into a new database that takes the
// file's name, false to end the program.
QCoro::Task<bool> ask_copy_access_file(QWidget* parent, const QString& fileName, qint64 count);

// The server asks for a password: the user types it (not shown), or gives
// up (an empty result).
QCoro::Task<QString> ask_password(QWidget* parent, const QString& database, const QString& why);

// At start-up, the program cannot go on: why.
QCoro::Task<> report_cannot_start(QWidget* parent, const QString& text);

// An export or an import that was not done: what, and why. When another
// program's lock or a database that cannot be reached was the cause, the
// user is told to try again later.
QCoro::Task<> report_not_done(QWidget* parent, const QString& what, const DbError& error);
QCoro::Task<> report_not_done(QWidget* parent, const QString& what, const QString& why);

// Save refused a text longer than a box's column may hold: which box,
// how long its text is and how long it may be.
QCoro::Task<> report_too_long(QWidget* parent, const QString& box, qsizetype length, qsizetype most);

// A plain notice to the user.
QCoro::Task<> report_notice(QWidget* parent, const QString& text);
