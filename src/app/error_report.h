#pragma once

#include <QString>

class DbError;
class QWidget;

// A run-time error that ends the program: its number and message in a
// message box.
void report_runtime_error(QWidget* parent, const DbError& error);

// A change the database refused: the user is told why, and the program
// goes on as before the click.
void report_refusal(QWidget* parent, const QString& what, const DbError& error);

// A plain notice to the user.
void report_notice(QWidget* parent, const QString& text);
