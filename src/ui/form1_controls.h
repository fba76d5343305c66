#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

class DataGrid;

// The controls of the main window, placed as designed: positions and sizes
// in twips (15 to a pixel at 96 dots per inch) from the top-left corner of
// their container. The layout never changes while the program runs.
class Form1Controls : public QWidget {
    Q_OBJECT
public:
    explicit Form1Controls(QWidget* parent = nullptr);

    static constexpr int kTwipsPerPixel = 15;
    static QRect twips(int left, int top, int width, int height);
    // "MS Sans Serif" where the machine has it, else the closest sans-serif face.
    static QFont sans_serif(double points, int weight = QFont::Normal);

    QGroupBox* Frame1;
    QGroupBox* Frame2;
    QGroupBox* Frame3;
    DataGrid* DataGrid1;

    QLineEdit* Text1;
    QLineEdit* Text2;
    QLineEdit* Text3;
    QLineEdit* Text4;
    QLineEdit* text5;
    QLineEdit* Text6;
    QLineEdit* Text7;
    QLineEdit* Text8;
    QLineEdit* Text9;

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;

    QPushButton* cmdadd;
    QPushButton* cmdedit;
    QPushButton* cmdsave;
    QPushButton* cmddel;
    QPushButton* cmdexit;
    QPushButton* cmdfirst;
    QPushButton* cmdprev;
    QPushButton* cmdnext;
    QPushButton* cmdlast;

    QRadioButton* fname;
    QRadioButton* lname;

    // The line under the grid: which customer is shown among how many.
    QLabel* lblposition;

    // The eight record boxes in display order (kRecordBoxes): Text1,
    // Text2, Text3, Text4, text5, Text6, Text7, Text8.
    QList<QLineEdit*> recordBoxes() const;
};
