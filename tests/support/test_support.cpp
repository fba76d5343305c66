#include "test_support.h"

#include "data/transfer/csv_reader.h"
#include "data/db_error.h"
#include "data/engines/sqlite_dialect.h"
#include "support/pg_scratch.h"
#include "ui/datagrid.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QTimer>
#include <QUuid>
#include <sqlite3.h>

namespace test {

namespace {
// Marks a message box that an answer or the watch has taken.
constexpr char kTaken[] = "test_taken";

// The throwaway server of this test process, started when first needed.
PgScratch& server()
{
    static PgScratch scratch;
    return scratch;
}

// Runs fn on a fresh second connection to target, as another program would.
template <class Fn>
auto with_db(const QString& target, Fn fn)
{
    Database db;
    try {
        db.open(target);
        return fn(db);
    } catch (const DbError& e) {
        qFatal("%s: %s", qPrintable(target), qPrintable(e.message()));
    }
}
}  // namespace

bool on_server()
{
    static const bool server = qEnvironmentVariable("TALLYHOUSE_TEST_ENGINE") == QLatin1String("postgresql");
    return server;
}

Row row(qint64 key, QVariant first, QVariant last, QVariant address, QVariant email, QVariant phone,
        QVariant credit, QVariant dept)
{
    return Row{key, first, last, address, email, phone, credit, dept, 0, 0};
}

QStringList as_texts(const Row& r)
{
    QStringList out;
    for (const QVariant& v : r)
        out << (v.isNull() ? QStringLiteral("NULL") : v.toString());
    return out;
}

namespace {
QByteArray run_mdb_tool(const QString& tool, const QStringList& args)
{
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        qFatal("%s %s failed: %s", qPrintable(tool), qPrintable(args.join(u' ')), p.readAllStandardError().constData());
    return p.readAllStandardOutput();
}
}  // namespace

QStringList mdb_tables(const QString& path)
{
    return QString::fromUtf8(run_mdb_tool(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), path})).split(u'\n', Qt::SkipEmptyParts);
}

QList<QStringList> mdb_export(const QString& path, const QString& table)
{
    QByteArray csv = run_mdb_tool(QStringLiteral("mdb-export"), {path, table});
    QBuffer buffer(&csv);
    buffer.open(QIODevice::ReadOnly);
    CsvReader reader(&buffer);
    QList<QStringList> rows;
    CsvRecord record;
    while (reader.next(record)) {
        for (QString& field : record.fields)
            field = field.isNull() ? QStringLiteral("") : field;
        rows << record.fields;
    }
    if (!reader.error().isEmpty())
        qFatal("mdb-export %s: line %lld: %s", qPrintable(path), reader.errorLine(), qPrintable(reader.error()));
    return rows;
}

TempDb::~TempDb() = default;

QVector<Row> TempDb::sample()
{
    return {
        row(1, "Maria", "Santos"), row(2, "Mark", "Martinez"), row(3, "Martin", "Sanders"),
        row(4, "Marta", "Peña"), row(5, "Anna", "Ødegaard"), row(6, "Peter", "O'Brien"),
        row(7, "Ellen", "Robertson"),
    };
}

TempDb::TempDb(const QVector<Row>& rows, const QString& dirName)
{
    dir_ = tmp_.path() + u'/' + dirName;
    QDir().mkpath(dir_);
    if (on_server()) {
        target_ = server().createDatabase();
    } else {
        target_ = path();
        sqlite3* created = nullptr;
        if (sqlite3_open_v2(path().toUtf8().constData(), &created, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
            qFatal("cannot create %s", qPrintable(path()));
        sqlite3_close(created);
    }
    with_db(target_, [&](Database& cn) {
        for (const QString& sql : cn.dialect().create_statements(QStringLiteral("dept")))
            cn.execute(sql);
        cn.begin();
        for (const Row& r : rows)
            cn.execute(QStringLiteral("INSERT INTO dept VALUES (?,?,?,?,?,?,?,?,?,?)"), QVariantList(r.begin(), r.end()));
        cn.commit();
        return 0;
    });
}

void drop_history(Database& db)
{
    const bool server = !dynamic_cast<const SqliteDialect*>(&db.dialect());
    for (const char* trigger : {"insert", "update", "rekey", "delete"})
        db.execute(QStringLiteral("DROP TRIGGER IF EXISTS dept_history_%1%2").arg(QLatin1String(trigger), server ? QStringLiteral(" ON dept") : QString()));
    db.execute(QStringLiteral("DROP TABLE dept_history"));
}

template <class Fn>
auto TempDb::other(Fn fn) const
{
    // A file is opened afresh each time: it may have been replaced or made
    // read-only since. A server connection is kept, since connecting is slow.
    if (!on_server())
        return with_db(target_, fn);
    try {
        if (!other_) {
            other_ = std::make_unique<Database>();
            other_->open(target_);
        }
        return fn(*other_);
    } catch (const DbError& e) {
        qFatal("%s: %s", qPrintable(target_), qPrintable(e.message()));
    }
}

QString TempDb::newTarget() const
{
    if (on_server())
        return server().createDatabase();
    return dir_ + QStringLiteral("/new-%1.mdb").arg(QUuid::createUuid().toString(QUuid::Id128));
}

QVector<Row> dept_rows(Database& cn, const QString& where)
{
    QVector<Row> out;
    Rows q = cn.query(QStringLiteral("SELECT * FROM dept ") + where + QStringLiteral(" ORDER BY cusnum"));
    for (const QVariantList& r : q.rows)
        out << Row(r.begin(), r.end());
    return out;
}

QVector<Row> TempDb::rows(const QString& where) const
{
    return other([&](Database& cn) { return dept_rows(cn, where); });
}

qint64 TempDb::count() const
{
    return other([&](Database& cn) { return cn.scalar(QStringLiteral("SELECT count(*) FROM dept")).toLongLong(); });
}

void TempDb::exec(const QString& sql, const QVariantList& params) const
{
    other([&](Database& cn) { return cn.execute(sql, params); });
}

QString TempDb::integrity() const
{
    if (on_server())
        return QStringLiteral("ok");  // the server keeps its own files whole
    return with_db(target_, [&](Database& cn) { return cn.scalar(QStringLiteral("PRAGMA integrity_check")).toString(); });
}

DbLock::DbLock(const TempDb& db, Kind kind)
{
    // A reader keeps its shared lock until its transaction ends.
    static const char* const sql[] = {"BEGIN IMMEDIATE", "BEGIN EXCLUSIVE", "BEGIN; SELECT count(*) FROM dept"};
    sqlite3* handle = nullptr;
    if (sqlite3_open_v2(db.path().toUtf8().constData(), &handle, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK
        || sqlite3_exec(handle, sql[kind], nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("cannot lock %s: %s", qPrintable(db.path()), sqlite3_errmsg(handle));
    handle_ = handle;
}

DbLock::~DbLock()
{
    sqlite3_exec(handle_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(handle_);
}

void make_read_only(const TempDb& db)
{
    if (!QFile::setPermissions(db.path(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther))
        qFatal("cannot make %s read-only", qPrintable(db.path()));
}

namespace {
// The user's settings of the program (the grid's layout) go to a folder of
// the test process, never the user's.
void own_settings()
{
    static QTemporaryDir settings;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
}
Q_COREAPP_STARTUP_FUNCTION(own_settings)
}  // namespace

Window::Window(const TempDb& db) : Window(db.target()) {}

Window::Window(const QString& target)
{
    list_ = std::make_unique<CustomerList>(target);
    form_ = std::make_unique<Form1>(*list_);
    QObject::connect(form_.get(), &Form1::ended, form_.get(), [this](int status) { ended << status; });
    await(form_->Form_Load());
    const QFileInfo file(target);
    if (!on_server() && !file.permission(QFile::WriteOwner) && file.isWritable())
        ask([](Database& db) { db.scalar(QStringLiteral("PRAGMA query_only = 1")); });
    form_->show();
    QApplication::setActiveWindow(form_.get());
    if (!QTest::qWaitForWindowActive(form_.get()))
        qWarning("window did not become active");
}

Window::~Window()
{
    form_.reset();
    list_.reset();
}

QStringList Window::boxes() const
{
    settle();
    QStringList out;
    for (QLineEdit* box : form_->recordBoxes())
        out << box->text();
    return out;
}

QStringList Window::enabledButtons() const
{
    settle();
    QStringList out;
    for (QPushButton* b : {form_->cmdfirst, form_->cmdprev, form_->cmdnext, form_->cmdlast, form_->cmdadd,
                           form_->cmdedit, form_->cmddel, form_->cmdexit, form_->cmdsave})
        if (b->isEnabled())
            out << b->objectName();
    return out;
}

QStringList Window::gridColumn(int column) const
{
    settle();
    const QAbstractItemModel* m = form_->DataGrid1->model();
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r)
        out << m->index(r, column).data().toString();
    return out;
}

void Window::clickGridRow(int row)
{
    DataGrid* grid = form_->DataGrid1;
    const QModelIndex index = grid->model()->index(row, 1);
    grid->scrollTo(index);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
    settle();
}

bool Window::gridAgreesWithBoxes() const
{
    settle();
    const QModelIndex current = form_->DataGrid1->currentIndex();
    if (!current.isValid())
        return form_->Text1->text().isEmpty();
    return current.siblingAtColumn(0).data().toString() == form_->Text1->text();
}

void Window::alt(Qt::Key key)
{
    press(key, Qt::AltModifier);
}

void Window::press(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    if (!QTest::qWaitFor([this] { return QApplication::activeWindow() == form_.get(); }))
        qWarning("the window is not active");
    QTest::keyClick(form_.get(), key, modifiers);
    settle();
}

void Window::settle() const
{
    if (!wait_idle(*form_))
        qWarning("the window is still busy after 30 s");
}

bool wait_idle(Form1& form)
{
    return QTest::qWaitFor([&] { return form.idle(); }, 30000);
}

QString Window::state() const
{
    settle();
    const Form1& f = *form_;
    const QStringList enabled = enabledButtons();
    QStringList buttons;
    for (const char* name : {"cmdadd", "cmdedit", "cmdsave", "cmddel", "cmdexit", "cmdfirst", "cmdprev", "cmdnext", "cmdlast"})
        buttons << (enabled.contains(QLatin1String(name)) ? QString::fromLatin1(name + 3) : QStringLiteral("-"));

    int editable = 0;
    for (QLineEdit* box : f.recordBoxes())
        editable += box->isReadOnly() ? 0 : 1;
    const QString boxes = editable == 0 ? QStringLiteral("read-only")
                          : editable == f.recordBoxes().size() ? QStringLiteral("editable")
                                                               : QStringLiteral("partly editable");
    int browsing = 0;
    for (QWidget* w : {static_cast<QWidget*>(f.DataGrid1), static_cast<QWidget*>(f.Text9),
                       static_cast<QWidget*>(f.fname), static_cast<QWidget*>(f.lname)})
        browsing += w->isEnabled() ? 1 : 0;
    const QString browse = browsing == 4 ? QStringLiteral("grid filter")
                           : browsing == 0 ? QStringLiteral("-")
                                           : QStringLiteral("partly grid filter");
    return QStringList{buttons.join(u' '), f.cmdadd->text(), boxes, browse}.join(QStringLiteral(" | "));
}

std::shared_ptr<MessageBoxAnswer> answer_next_message_box(QMessageBox::StandardButton button)
{
    auto answer = std::make_shared<MessageBoxAnswer>();
    auto timer = std::make_shared<std::function<void()>>();
    *timer = [answer, button, timer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box->property(kTaken).toBool()) {
            QTimer::singleShot(10, *timer);
            return;
        }
        box->setProperty(kTaken, true);
        answer->seen = true;
        answer->title = box->windowTitle();
        answer->text = box->text();
        answer->buttons = box->standardButtons();
        for (QAbstractButton* shown : box->buttons())
            answer->buttonTexts << shown->text();
        answer->defaultButton = box->standardButton(box->defaultButton());
        answer->role = QAccessible::queryAccessibleInterface(box)->role();
        QAbstractButton* b = box->button(button);
        if (!b)
            b = box->buttons().value(0);
        QPointer<QWidget> behind = box->parentWidget() ? box->parentWidget()->window() : nullptr;
        b->click();
        // A desktop gives the window behind a closed box back the keyboard;
        // the headless platform does not.
        QTimer::singleShot(0, [behind] {
            if (behind && !QApplication::activeModalWidget())
                QApplication::setActiveWindow(behind);
        });
        *timer = nullptr;  // break the cycle
    };
    QTimer::singleShot(0, *timer);
    return answer;
}

MessageBoxWatch::MessageBoxWatch()
{
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box->property(kTaken).toBool()) {
            box_ = nullptr;
            return;
        }
        // An answer armed for the box takes it first.
        if (box_ != box) {
            box_ = box;
            open_.start();
            return;
        }
        if (open_.elapsed() < 500)
            return;
        box->setProperty(kTaken, true);
        seen << box->text();
        box->buttons().value(0)->click();
    });
    timer_.start();
}

void set_lock_wait(Window& w, int ms)
{
    w.ask([ms](Database& db) { db.set_lock_wait(ms); });
}

void type(QWidget* w, const QString& text)
{
    // A user types into the box that has the keyboard: the window gives
    // each key to it.
    w->setFocus();
    // The window answers each key before the test looks.
    const auto settled = qScopeGuard([w] {
        if (auto* form = qobject_cast<Form1*>(w->window()))
            wait_idle(*form);
    });
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() < 0x80) {
            QTest::keyClicks(w, QString(c));
            continue;
        }
        // A letter beyond ASCII has no key code of its own: it arrives as
        // text, a surrogate pair in one key stroke.
        const qsizetype n = c.isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, text.mid(i, n), Qt::NoModifier);
        i += n - 1;
    }
}

}  // namespace test
