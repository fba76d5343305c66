#include "action.h"

#include "form/form1.h"
#include "support/test_support.h"
#include "ui/datagrid.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>
#include <algorithm>

namespace random_user {

namespace {

}  // namespace

QString quoted(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'"')
            out += QStringLiteral("\\\"");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f || c.category() == QChar::Other_Format)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    if (out.size() > 60)
        out = out.left(40) + QStringLiteral("...(%1 chars)").arg(text.size());
    return u'"' + out + u'"';
}

namespace {

// A character a keyboard types into a line edit and Backspace removes whole.
bool keyable(QChar c)
{
    return c.isPrint() && !c.isSurrogate() && c.category() != QChar::Mark_NonSpacing
        && c.category() != QChar::Other_Format;
}

// Types text key by key. Keys without a key code of their own (letters
// beyond ASCII) arrive as key events carrying the text, as a keyboard
// layout or input method delivers them.
void type_keys(QWidget* w, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7f) {
            QTest::keyClicks(w, QString(c));
        } else {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(w, &press);
            QApplication::sendEvent(w, &release);
        }
    }
}

QChar access_key(const QString& caption)
{
    const qsizetype amp = caption.indexOf(u'&');
    return amp >= 0 && amp + 1 < caption.size() ? caption.at(amp + 1).toUpper() : QChar();
}

// The box focused, the cursor at its end or all its text selected.
void place_cursor(QLineEdit* box, bool replace)
{
    QTest::mouseClick(box, Qt::LeftButton);
    if (replace)
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    else
        QTest::keyClick(box, Qt::Key_End);
}

bool ends_in_keyable(const QString& text, int n)
{
    if (n > text.size())
        return false;
    for (qsizetype i = text.size() - n; i < text.size(); ++i)
        if (!keyable(text.at(i)))
            return false;
    return true;
}

const QStringList& buttons()
{
    static const QStringList names{"cmdadd", "cmdedit", "cmdsave", "cmddel", "cmdexit",
                                   "cmdfirst", "cmdprev", "cmdnext", "cmdlast"};
    return names;
}

// Letters, also beyond ASCII, that begin the names of the test rows, and
// the characters that mean something to a LIKE pattern or to SQL.
const QStringList& filter_keys()
{
    static const QStringList keys{"a", "A", "n", "N", "b", "o", "O", "s", "z", QString::fromUtf8("ø"),
                                  QString::fromUtf8("Ø"), QString::fromUtf8("ë"), "'", "%", "_", "\\", " "};
    return keys;
}

}  // namespace

const QStringList& editable_boxes()
{
    static const QStringList names{"Text2", "Text3", "Text4", "text5", "Text6", "Text7", "Text8"};
    return names;
}

const QStringList& texts()
{
    // PostgreSQL cannot store the NUL character: a Save of one is refused
    // there, which its own test covers; the random user types it on files.
    static const QStringList list = [] {
        QStringList all{
        "Ann", "anna", "Bob", QString::fromUtf8("Øyvind"), QString::fromUtf8("Zoë"), "Smith", "O'Brien",
        "'; DROP TABLE dept; --", "' OR '1'='1", "\"double\" quotes", "back\\slash\\", "100% _wild_ %",
        "%", "_", "semi;colon;", "line one\nline two", "tab\tseparated", "crlf\r\nend",
        QString::fromUtf8("Ærøskøbing Straße"), QString::fromUtf8("שלום עולם"),
        QString::fromUtf8("مرحبا بالعالم"), QString::fromUtf8("\u202Egnp.exe"),
        QString::fromUtf8("😀👍🏽🇳🇴"), QString::fromUtf8("e\u0301 combining"),
        QString::fromUtf16(u"ctrl \u0001\u0002\u0007\u001b\u007f"), QString(QChar(0)) + QStringLiteral("nul"),
        QStringLiteral("0123456789").repeated(1000), QString::fromUtf8("Ø").repeated(10000), "", "   ", "NULL",
        "9223372036854775808", "-1",
        };
        if (test::on_server())
            all.removeIf([](const QString& t) { return t.contains(QChar(0)); });
        return all;
    }();
    return list;
}

QString describe(const Action& a)
{
    switch (a.kind) {
    case Action::Click:
        return QStringLiteral("click %1%2").arg(a.target, a.target == "cmddel" ? (a.yes ? " answer Yes" : " answer No") : "");
    case Action::AccessKey:
        return QStringLiteral("Alt access key of %1%2").arg(a.target, a.target == "cmddel" ? (a.yes ? " answer Yes" : " answer No") : "");
    case Action::ClickDisabled: return QStringLiteral("click disabled %1").arg(a.target);
    case Action::Type: return QStringLiteral("type %1 %2 %3").arg(quoted(a.text), a.replace ? "over" : "at end of", a.target);
    case Action::Paste: return QStringLiteral("paste %1 %2 %3").arg(quoted(a.text), a.replace ? "over" : "at end of", a.target);
    case Action::Erase:
        return a.count == 0 ? QStringLiteral("select all and Delete in %1").arg(a.target)
                            : QStringLiteral("Backspace %1 times in %2").arg(a.count).arg(a.target);
    case Action::Option: return QStringLiteral("click option %1").arg(a.target);
    case Action::GridRow: return QStringLiteral("click grid row %1").arg(a.count);
    case Action::GridKey: return QStringLiteral("key %1 in the grid").arg(QKeySequence(a.count).toString());
    case Action::Heading: return QStringLiteral("click heading %1").arg(a.count);
    case Action::CloseBox: return QStringLiteral("close box");
    }
    return {};
}

bool applicable(const Action& a, Form1& form)
{
    switch (a.kind) {
    case Action::Click:
    case Action::AccessKey: {
        auto* b = form.findChild<QPushButton*>(a.target);
        return b && b->isEnabled();
    }
    case Action::ClickDisabled: {
        auto* b = form.findChild<QPushButton*>(a.target);
        return b && !b->isEnabled();
    }
    case Action::Type:
    case Action::Paste:
    case Action::Erase: {
        auto* box = form.findChild<QLineEdit*>(a.target);
        if (!box || !box->isEnabled() || box->isReadOnly())
            return false;
        return a.kind != Action::Erase || a.count == 0 || ends_in_keyable(box->text(), a.count);
    }
    case Action::Option: {
        auto* b = form.findChild<QRadioButton*>(a.target);
        return b && b->isEnabled();
    }
    case Action::GridRow: return form.DataGrid1->isEnabled() && a.count < form.DataGrid1->listedRows();
    case Action::GridKey: return form.DataGrid1->isEnabled() && form.DataGrid1->listedRows() > 0;
    case Action::Heading: {
        // A heading in view.
        const QHeaderView* header = form.DataGrid1->horizontalHeader();
        const int at = header->sectionViewportPosition(a.count);
        return form.DataGrid1->isEnabled() && a.count < header->count() && at >= 0
            && at + header->sectionSize(a.count) / 2 < header->viewport()->width();
    }
    case Action::CloseBox: return true;
    }
    return false;
}

void perform(const Action& a, Form1& form)
{
    switch (a.kind) {
    case Action::Click:
    case Action::ClickDisabled:
        QTest::mouseClick(form.findChild<QPushButton*>(a.target), Qt::LeftButton);
        break;
    case Action::AccessKey: {
        auto* b = form.findChild<QPushButton*>(a.target);
        const QChar key = access_key(b->text());
        // The offscreen platform does not give the window back its
        // activation when a message box closes; a window manager does.
        if (!form.isActiveWindow()) {
            QApplication::setActiveWindow(&form);
            if (!QTest::qWaitForWindowActive(&form))
                qWarning("the window did not become active");
        }
        QTest::keyClick(&form, Qt::Key(key.unicode()), Qt::AltModifier);
        // The button shows itself pressed and clicks a moment later.
        QElapsedTimer t;
        t.start();
        while (b->isDown() && t.elapsed() < 2000)
            QTest::qWait(5);
        break;
    }
    case Action::Type: {
        auto* box = form.findChild<QLineEdit*>(a.target);
        place_cursor(box, a.replace);
        if (a.replace && a.text.isEmpty())
            QTest::keyClick(box, Qt::Key_Delete);
        type_keys(box, a.text);
        break;
    }
    case Action::Paste: {
        auto* box = form.findChild<QLineEdit*>(a.target);
        place_cursor(box, a.replace);
        QApplication::clipboard()->setText(a.text);
        if (a.text.isEmpty())
            QTest::keyClick(box, Qt::Key_Delete);  // an empty clipboard pastes nothing
        else
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        break;
    }
    case Action::Erase: {
        auto* box = form.findChild<QLineEdit*>(a.target);
        place_cursor(box, a.count == 0);
        if (a.count == 0)
            QTest::keyClick(box, Qt::Key_Delete);
        for (int i = 0; i < a.count; ++i)
            QTest::keyClick(box, Qt::Key_Backspace);
        break;
    }
    case Action::Option:
        QTest::mouseClick(form.findChild<QRadioButton*>(a.target), Qt::LeftButton);
        break;
    case Action::GridRow: {
        // The grid lists a screenful of rows; its scroll bar brings the
        // row into view first when it is not.
        DataGrid* grid = form.DataGrid1;
        if (a.count < grid->firstShown() || a.count >= grid->firstShown() + grid->model()->rowCount())
            grid->rowScrollBar()->setValue(a.count);
        const QModelIndex index = grid->model()->index(int(a.count - grid->firstShown()), 1);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
        break;
    }
    case Action::GridKey:
        form.DataGrid1->setFocus();
        QTest::keyClick(form.DataGrid1, Qt::Key(a.count & ~Qt::KeyboardModifierMask),
                        Qt::KeyboardModifiers(a.count & Qt::KeyboardModifierMask));
        break;
    case Action::Heading: {
        QHeaderView* header = form.DataGrid1->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(a.count) + header->sectionSize(a.count) / 2, header->height() / 2));
        break;
    }
    case Action::CloseBox:
        form.close();
        break;
    }
}

Action choose(std::mt19937_64& rng, Form1& form, bool crowded)
{
    auto pick = [&](int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(rng)); };
    auto chance = [&](double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; };
    auto one_of = [&](const QStringList& list) { return list.at(pick(int(list.size()))); };
    for (;;) {
        Action a;
        const int roll = pick(100);
        if (roll < 40) {
            a.kind = roll < 36 ? Action::Click : Action::AccessKey;
            a.target = one_of(buttons());
            // Few exits: each one starts the program again.
            if (a.target == "cmdexit" && !chance(0.05))
                continue;
            a.yes = chance(crowded ? 0.9 : 0.5);
        } else if (roll < 42) {
            a.kind = Action::ClickDisabled;
            a.target = one_of(buttons());
        } else if (roll < 66) {
            a.kind = chance(0.5) ? Action::Type : Action::Paste;
            a.target = one_of(editable_boxes());
            a.text = one_of(texts());
            a.replace = chance(0.6);
            if (a.kind == Action::Type && (a.text.size() > 64 || !std::all_of(a.text.begin(), a.text.end(), keyable)))
                a.kind = Action::Paste;
        } else if (roll < 70) {
            a.kind = Action::Erase;
            a.target = one_of(editable_boxes());
            a.count = chance(0.5) ? 0 : 1 + pick(3);
        } else if (roll < 80) {
            a.target = "Text9";
            const int how = pick(10);
            if (how < 5) {
                a.kind = Action::Type;
                a.text = one_of(filter_keys());
            } else if (how < 9) {
                a.kind = Action::Erase;
                a.count = how >= 7 ? 0 : 1;
            } else {
                a.kind = Action::Paste;
                a.text = one_of(texts());
                a.replace = chance(0.5);
            }
        } else if (roll < 83) {
            a.kind = Action::Option;
            a.target = chance(0.5) ? "fname" : "lname";
        } else if (roll < 93) {
            a.kind = Action::GridRow;
            a.count = pick(int(std::max<qint64>(1, form.DataGrid1->listedRows())));
        } else if (roll < 98) {
            a.kind = Action::GridKey;
            static const int keys[] = {Qt::Key_Down, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_PageUp,
                                       Qt::Key_Home, Qt::Key_End, (Qt::ControlModifier | Qt::Key_Home).toCombined(),
                                       (Qt::ControlModifier | Qt::Key_End).toCombined()};
            a.count = keys[pick(8)];
        } else if (roll < 99) {
            a.kind = Action::Heading;
            a.count = pick(int(kCustomerColumns.size()));
        } else {
            a.kind = Action::CloseBox;
        }
        if (applicable(a, form))
            return a;
    }
}

}  // namespace random_user
