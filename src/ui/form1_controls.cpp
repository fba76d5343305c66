#include "form1_controls.h"

#include "app_icon.h"
#include "data/customer_row.h"
#include "datagrid.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <QShortcut>
#include <climits>
#include <utility>

namespace {

// The option buttons are small: a smaller gap between the round indicator
// and the caption keeps "First Name" whole in its 73 pixels, and an
// indicator no taller than its button shows whole in its 13.
class OptionStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        if (metric == PM_RadioButtonLabelSpacing)
            return 3;
        const int size = QProxyStyle::pixelMetric(metric, option, widget);
        if ((metric == PM_ExclusiveIndicatorWidth || metric == PM_ExclusiveIndicatorHeight) && widget)
            return std::min(size, widget->height());
        return size;
    }
};

// A frame with its caption on the top border line, as desktop forms draw
// it; the controls inside are placed from the frame's own top-left corner.
class Frame : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QFontMetrics fm(font());
        const int top = title().isEmpty() ? 0 : fm.height() / 2;
        const QRect border = rect().adjusted(0, top, -1, -1);
        p.setPen(palette().color(QPalette::Dark));
        p.drawRect(border.adjusted(0, 0, -1, -1));
        p.setPen(palette().color(QPalette::Light));
        p.drawRect(border.adjusted(1, 1, 0, 0));
        if (title().isEmpty())
            return;
        const QRect caption(8, 0, fm.horizontalAdvance(title()) + 4, fm.height());
        p.fillRect(caption, palette().color(QPalette::Window));
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(caption, Qt::AlignCenter, title());
    }
};

template <class W>
W* place(W* w, const char* name, QRect geometry)
{
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(geometry);
    return w;
}

QLineEdit* text_box(QWidget* in, const char* name, QRect geometry, const char* text, const QFont& font)
{
    auto* box = place(new QLineEdit(QString::fromUtf8(text), in), name, geometry);
    box->setFont(font);
    box->setMaxLength(INT_MAX);  // no length limit
    box->setReadOnly(true);      // the record boxes start locked
    return box;
}

QLabel* label(QWidget* in, const char* name, QRect geometry, const QString& caption, const QFont& font)
{
    auto* l = place(new QLabel(caption, in), name, geometry);
    l->setFont(font);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

// The name a screen reader gives a control captioned so: the caption
// without its trailing colon.
QString spoken(const QString& caption)
{
    QString name = caption.trimmed();
    if (name.endsWith(u':'))
        name.chop(1);
    return name.trimmed();
}

QPushButton* button(QWidget* in, const char* name, QRect geometry, const char* caption, const QFont& font)
{
    auto* b = place(new QPushButton(QCoreApplication::translate("Form1Controls", caption), in), name, geometry);
    b->setFont(font);
    b->setAutoDefault(false);  // neither Enter nor Esc clicks a button
    b->setDefault(false);
    return b;
}

}  // namespace

QRect Form1Controls::twips(int left, int top, int width, int height)
{
    return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel, height / kTwipsPerPixel);
}

QFont Form1Controls::sans_serif(double points, int weight)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setWeight(QFont::Weight(weight));
    return font;
}

Form1Controls::Form1Controls(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tallyhouse  - tallyhouse@example.com"));
    setWindowIcon(app_icon());
    const QFont font = sans_serif(8.25);
    setFont(font);
    resize(15240 / kTwipsPerPixel, 11010 / kTwipsPerPixel);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    // Frames first: controls created later lie above them.
    Frame1 = place(new Frame(tr("Customer Information"), this), "Frame1", twips(240, 120, 7095, 2655));
    Frame1->setFont(sans_serif(13.5));
    Frame2 = place(new Frame(this), "Frame2", twips(840, 2640, 6015, 1215));
    Frame3 = place(new Frame(tr("Filter:"), this), "Frame3", twips(7440, 600, 2895, 1215));
    Frame3->setFont(sans_serif(13.5, QFont::Bold));
    DataGrid1 = place(new DataGrid(this), "DataGrid1", twips(120, 3960, 14895, 5415));
    DataGrid1->setFont(font);
    lblposition = label(this, "lblposition", twips(120, 9480, 14895, 255), QString(), font);
    lblposition->setTextFormat(Qt::PlainText);  // it quotes what was typed in the filter box

    // Labels lie beneath the record boxes, so they come first. Each shows
    // the caption of its box's column (a position in kCustomerColumns),
    // which an import also takes as a heading.
    Label1 = label(Frame1, "Label1", twips(240, 480, 975, 255), column_caption(kFname), font);
    Label2 = label(Frame1, "Label2", twips(3360, 480, 975, 255), column_caption(kLname), font);
    Label3 = label(Frame1, "Label3", twips(240, 960, 975, 255), column_caption(3), font);
    Label4 = label(Frame1, "Label4", twips(240, 1440, 975, 255), column_caption(4), font);
    Label6 = label(Frame1, "Label6", twips(3360, 1920, 975, 255), column_caption(6), font);
    Label7 = label(Frame1, "Label7", twips(240, 1920, 975, 255), column_caption(7), font);
    Label8 = label(Frame1, "Label8", twips(3360, 1440, 975, 255), column_caption(5), font);

    Text1 = text_box(this, "Text1", twips(8400, 10560, 1935, 375), "Text1", font);
    Text1->setVisible(false);
    Text2 = text_box(Frame1, "Text2", twips(1200, 360, 1935, 375), "Fname", font);
    Text3 = text_box(Frame1, "Text3", twips(4320, 360, 1935, 375), "Lname", font);
    Text4 = text_box(Frame1, "Text4", twips(1200, 840, 5055, 375), "Address", font);
    text5 = text_box(Frame1, "text5", twips(1200, 1320, 1935, 375), "E-Mail", font);
    Text6 = text_box(Frame1, "Text6", twips(4320, 1320, 1935, 375), "phonenum", font);
    Text7 = text_box(Frame1, "Text7", twips(1200, 1800, 1935, 375), "Dept name", font);
    Text8 = text_box(Frame1, "Text8", twips(4320, 1800, 1935, 375), "Credit limit", font);

    cmdadd = button(Frame2, "cmdadd", twips(240, 240, 1095, 375), QT_TRANSLATE_NOOP("Form1Controls", "&Add"), font);
    cmdedit = button(Frame2, "cmdedit", twips(1320, 240, 1095, 375), QT_TRANSLATE_NOOP("Form1Controls", "&Edit"), font);
    cmdsave = button(Frame2, "cmdsave", twips(2400, 240, 1095, 375), QT_TRANSLATE_NOOP("Form1Controls", "&Save"), font);
    cmddel = button(Frame2, "cmddel", twips(3480, 240, 1095, 375), QT_TRANSLATE_NOOP("Form1Controls", "&Delete"), font);
    cmdexit = button(Frame2, "cmdexit", twips(4560, 240, 1095, 375), QT_TRANSLATE_NOOP("Form1Controls", "E&xit"), font);
    cmdfirst = button(Frame2, "cmdfirst", twips(720, 720, 1095, 375), QT_TRANSLATE_NOOP("Form1Controls", "&First"), font);
    cmdprev = button(Frame2, "cmdprev", twips(1800, 720, 1095, 375), QT_TRANSLATE_NOOP("Form1Controls", "&Previous"), font);
    cmdnext = button(Frame2, "cmdnext", twips(2880, 720, 1095, 375), QT_TRANSLATE_NOOP("Form1Controls", "&Next"), font);
    cmdlast = button(Frame2, "cmdlast", twips(3960, 720, 1095, 375), QT_TRANSLATE_NOOP("Form1Controls", "&Last"), font);
    cmdsave->setEnabled(false);

    fname = place(new QRadioButton(tr("First Name"), Frame3), "fname", twips(240, 360, 1095, 195));
    lname = place(new QRadioButton(tr("Last Name"), Frame3), "lname", twips(1440, 360, 1335, 255));
    auto* optionStyle = new OptionStyle;
    optionStyle->setParent(this);
    for (QRadioButton* option : {fname, lname}) {
        option->setFont(font);
        option->setStyle(optionStyle);
    }
    fname->setChecked(true);
    Text9 = text_box(Frame3, "Text9", twips(240, 720, 2415, 375), "", font);
    Text9->setReadOnly(false);

    // Screen readers announce each box by the caption beside it, the filter
    // box by its frame's caption (left alone, they would take the frame's
    // caption for every box). Buttons and options already are announced by
    // their captions without the "&".
    const std::pair<QLabel*, QLineEdit*> captioned[]{{Label1, Text2}, {Label2, Text3}, {Label3, Text4},
                                                     {Label4, text5}, {Label8, Text6}, {Label7, Text7},
                                                     {Label6, Text8}};
    for (const auto& [caption, box] : captioned) {
        caption->setBuddy(box);
        box->setAccessibleName(spoken(caption->text()));
    }
    Text9->setAccessibleName(spoken(Frame3->title()));
    DataGrid1->setAccessibleName(tr("Customers"));

    // Tab visits the option group once, at its selected button.
    auto tab_to_selected = [this] {
        fname->setFocusPolicy(fname->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
        lname->setFocusPolicy(lname->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    };
    connect(fname, &QRadioButton::toggled, this, tab_to_selected);
    tab_to_selected();

    const QList<QWidget*> order{Text2, Text3, Text4, text5, Text6, Text7, Text8,
                                cmdadd, cmdedit, cmdsave, cmddel, cmdfirst, cmdprev, cmdnext, cmdlast,
                                DataGrid1, Text9, fname, lname, cmdexit, Text2};
    for (int i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
    for (QWidget* w : {static_cast<QWidget*>(Frame1), static_cast<QWidget*>(Frame2), static_cast<QWidget*>(Frame3)})
        w->setFocusPolicy(Qt::NoFocus);
    for (QLabel* l : {Label1, Label2, Label3, Label4, Label6, Label7, Label8})
        l->setFocusPolicy(Qt::NoFocus);
    Text1->setFocusPolicy(Qt::NoFocus);
    Text2->setFocus();

    // Ctrl+F: the keyboard goes to the filter box, its text selected, so
    // that typing replaces it. While the box is disabled it does nothing.
    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, [this] {
        if (!Text9->isEnabled())
            return;
        Text9->setFocus(Qt::ShortcutFocusReason);
        Text9->selectAll();
    });
}

QList<QLineEdit*> Form1Controls::recordBoxes() const
{
    QList<QLineEdit*> boxes;
    for (const RecordBox& b : kRecordBoxes)
        boxes << findChild<QLineEdit*>(QLatin1String(b.box));
    return boxes;
}
