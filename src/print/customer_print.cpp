#include "print/customer_print.h"

#include "data/transfer/customer_export.h"

#include <QDate>
#include <QFontMetricsF>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <numeric>

namespace print {
namespace {

constexpr qreal kBodyPt = 9;
constexpr qreal kTitlePt = 13;
constexpr qreal kMarginMm = 12;
// A column is at most this wide before its texts wrap, in points.
constexpr qreal kWidestColumnPt = 200;
// The points and millimetres of a device in its pixels.
struct Scale {
    explicit Scale(const QPaintDevice* device) : dpi(device->logicalDpiY()) {}
    qreal pt(qreal points) const { return points * dpi / 72; }
    qreal mm(qreal millimetres) const { return millimetres * dpi / 25.4; }
    qreal dpi;
};

// The printed face, sized in the device's pixels, so that its metrics need
// no device and match what the device paints.
QFont face(qreal points, qreal dpi, bool bold = false)
{
    QFont f;
    f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(1, qRound(points * dpi / 72)));
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setBold(bold);
    return f;
}

// One paragraph as lines within width: between words, and within a word
// longer than the width. A very long paragraph is laid out in pieces.
void wrap_paragraph(QStringView paragraph, const QFont& font, const QFontMetricsF& fm, qreal width, QStringList& lines)
{
    if (paragraph.isEmpty()) {
        lines << QString();
        return;
    }
    constexpr qsizetype kPiece = 4096;
    if (paragraph.size() < kPiece) {
        const QString whole = paragraph.toString();
        if (fm.horizontalAdvance(whole) <= width) {
            lines << whole;
            return;
        }
    }
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (qsizetype at = 0; at < paragraph.size();) {
        qsizetype length = std::min(kPiece, paragraph.size() - at);
        if (at + length < paragraph.size() && paragraph[at + length - 1].isHighSurrogate())
            --length;
        const QString piece = paragraph.mid(at, length).toString();
        at += length;
        QTextLayout layout(piece, font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            lines << piece.mid(line.textStart(), line.textLength());
        }
        layout.endLayout();
    }
}

// A text as lines within width: at its own line breaks (LF, CR LF or CR),
// then as wrap_paragraph wraps. An empty text is one empty line.
QStringList wrap(const QString& text, const QFont& font, const QFontMetricsF& fm, qreal width)
{
    QStringList lines;
    const qsizetype n = text.size();
    for (qsizetype begin = 0;;) {
        qsizetype end = begin;
        while (end < n && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        wrap_paragraph(QStringView(text).mid(begin, end - begin), font, fm, width, lines);
        if (end >= n)
            break;
        if (text[end] == u'\r' && end + 1 < n && text[end + 1] == u'\n')
            ++end;
        begin = end + 1;
    }
    return lines;
}

// The widest paragraph of a text.
qreal widest(const QString& text, const QFontMetricsF& fm)
{
    qreal most = 0;
    for (const QString& p : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n"))))
        most = std::max(most, fm.horizontalAdvance(p.left(400)));
    return most;
}

QString cell_text(const CustomerRow& row, int column)
{
    return column_value(row, column).toString();
}

// Widths that fill width: the natural ones stretched when they fit; else
// each column narrower than an even share keeps its width and the others
// share the rest evenly.
QVector<qreal> allocate(const QVector<qreal>& natural, qreal width)
{
    const qreal total = std::accumulate(natural.begin(), natural.end(), 0.0);
    QVector<qreal> out(natural.size());
    if (total <= width) {
        for (int i = 0; i < natural.size(); ++i)
            out[i] = natural[i] * width / total;
        return out;
    }
    QVector<bool> kept(natural.size(), false);
    qreal left = width;
    int open = int(natural.size());
    for (bool changed = true; changed && open > 0;) {
        changed = false;
        const qreal fair = left / open;
        for (int i = 0; i < natural.size(); ++i) {
            if (!kept[i] && natural[i] <= fair) {
                kept[i] = true;
                out[i] = natural[i];
                left -= natural[i];
                --open;
                changed = true;
            }
        }
    }
    for (int i = 0; i < natural.size(); ++i)
        if (!kept[i])
            out[i] = left / open;
    return out;
}

// The paper's territories that use US Letter.
bool uses_letter(QLocale::Territory t)
{
    static const QList<QLocale::Territory> letter{
        QLocale::UnitedStates, QLocale::Canada,    QLocale::Mexico,     QLocale::Chile,   QLocale::Colombia,
        QLocale::CostaRica,    QLocale::Guatemala, QLocale::Nicaragua,  QLocale::Panama,  QLocale::PuertoRico,
        QLocale::ElSalvador,   QLocale::Venezuela, QLocale::Philippines, QLocale::DominicanRepublic,
        QLocale::Belize,       QLocale::UnitedStatesVirginIslands, QLocale::AmericanSamoa, QLocale::Guam,
    };
    return letter.contains(t);
}

}  // namespace

QPageSize::PageSizeId paper_for(const QLocale& locale)
{
    return locale.measurementSystem() == QLocale::ImperialUSSystem || uses_letter(locale.territory()) ? QPageSize::Letter
                                                                                                       : QPageSize::A4;
}

QLocale paper_locale()
{
    for (const char* name : {"LC_ALL", "LC_PAPER", "LANG"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return QLocale(value.section(u'.', 0, 0).section(u'@', 0, 0));
    }
    return QLocale::c();
}

QPageLayout page_layout(QPageSize::PageSizeId paper, QPageLayout::Orientation orientation)
{
    return QPageLayout(QPageSize(paper), orientation, QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                       QPageLayout::Millimeter);
}

QString filter_text(const RowSource& source)
{
    switch (source.column) {
    case RowSource::Column::Fname: return ListLayout::tr("First name begins with \"%1\"").arg(source.text);
    case RowSource::Column::Lname: return ListLayout::tr("Last name begins with \"%1\"").arg(source.text);
    case RowSource::Column::None: break;
    }
    return {};
}

// ---- The list ----

QStringList column_headings()
{
    QStringList out;
    for (int i = 0; i < int(kCustomerColumns.size()); ++i) {
        const QString caption = column_heading(i);
        out << (i == 0 ? ListLayout::tr("No.") : caption.isEmpty() ? QString::fromLatin1(kCustomerColumns[i].name) : caption);
    }
    return out;
}

ListLayout::ListLayout(QString filter)
    : headings_(column_headings()), filter_(std::move(filter)),
      date_(QLocale().toString(QDate::currentDate(), QLocale::LongFormat))
{
    fit({});
}

void ListLayout::fit(const QVector<CustomerRow>& first)
{
    // Measured at ten times 72 dots per inch: a tenth of a pixel a point.
    constexpr qreal kDpi = 720;
    const QFontMetricsF fm(face(kBodyPt, kDpi)), bold(face(kBodyPt, kDpi, true));
    const qreal pad = 2 * 4 * kDpi / 72;
    natural_.fill(0, headings_.size());
    for (int i = 0; i < headings_.size(); ++i) {
        qreal head = 0;
        for (const QString& word : headings_[i].split(u' ', Qt::SkipEmptyParts))
            head = std::max(head, bold.horizontalAdvance(word));
        qreal text = 0;
        for (const CustomerRow& row : first)
            text = std::max(text, widest(cell_text(row, i), fm));
        const qreal widestPx = kWidestColumnPt * kDpi / 72;
        natural_[i] = (std::max(head, std::min(text, widestPx)) + pad) * 72 / kDpi;
    }
}

QPageLayout::Orientation ListLayout::orientation(QPageSize::PageSizeId paper) const
{
    const qreal width = page_layout(paper).paintRect(QPageLayout::Point).width();
    const qreal needed = std::accumulate(natural_.begin(), natural_.end(), 0.0);
    return needed <= width ? QPageLayout::Portrait : QPageLayout::Landscape;
}

qint64 ListLayout::count(QPagedPaintDevice* device, const NextRow& rows, const Progress& progress) const
{
    return run(device, rows, 0, false, progress, {});
}

qint64 ListLayout::paint(QPagedPaintDevice* device, const NextRow& rows, qint64 pages, const Progress& progress,
                         PageRange range) const
{
    return run(device, rows, pages, true, progress, range);
}

Printed print_list(QPagedPaintDevice* device, const ListLayout& layout, ListingCursor& cursor, const Progress& progress,
                   PageRange range)
{
    Printed printed;
    const NextRow next = [&](CustomerRow& row) {
        if (!cursor.next(row))
            return false;
        ++printed.customers;
        return true;
    };
    cursor.rewind();
    const qint64 pages = layout.count(device, next, progress);
    const qint64 counted = std::exchange(printed.customers, 0);
    cursor.rewind();
    const qint64 painted = pages < 0 ? -1 : layout.paint(device, next, pages, [&](qint64 done) {
        return !progress || progress(counted + done);
    }, range);
    if (painted < 0)
        printed.outcome = Printed::Stopped;
    else if (painted != pages)
        printed.outcome = Printed::Changed;
    return printed;
}

QVector<CustomerRow> first_rows(ListingCursor& cursor, int most)
{
    QVector<CustomerRow> rows;
    CustomerRow row;
    while (rows.size() < most && cursor.next(row))
        rows << row;
    cursor.rewind();
    return rows;
}

// Lays the rows out page by page, painting them when asked; the pages
// filled, or -1 when progress stopped it.
qint64 ListLayout::run(QPagedPaintDevice* device, const NextRow& rows, qint64 pages, bool painting,
                       const Progress& progress, PageRange range) const
{
    const Scale s(device);
    const QFont body = face(kBodyPt, s.dpi), bold = face(kBodyPt, s.dpi, true), title = face(kTitlePt, s.dpi, true);
    const QFontMetricsF fm(body), fmBold(bold), fmTitle(title);
    const qreal width = device->width(), height = device->height();
    const qreal pad = s.pt(4), rowPad = s.pt(1.5), lh = fm.lineSpacing();

    QVector<qreal> natural(natural_.size());
    std::transform(natural_.begin(), natural_.end(), natural.begin(), [&](qreal p) { return s.pt(p); });
    const QVector<qreal> widths = allocate(natural, width);
    QVector<qreal> left(widths.size());
    for (int i = 1; i < widths.size(); ++i)
        left[i] = left[i - 1] + widths[i - 1];

    QVector<QStringList> heads;
    qsizetype headLines = 1;
    for (int i = 0; i < headings_.size(); ++i) {
        heads << wrap(headings_[i], bold, fmBold, widths[i] - pad);
        headLines = std::max(headLines, heads.back().size());
    }
    const qreal headTop = fmTitle.lineSpacing() + (filter_.isEmpty() ? 0 : lh) + s.pt(6);
    const qreal top = headTop + headLines * fmBold.lineSpacing() + s.pt(3);
    const qreal foot = height - lh;
    const qreal room = foot - s.pt(4) - top;  // for rows

    std::optional<QPainter> painter;
    if (painting) {
        painter.emplace(device);
        if (!painter->isActive())
            return -1;
    }
    const QPen text(Qt::black), rule(QColor(150, 150, 150), s.pt(0.4));
    qint64 page = 0;
    qreal y = 0;  // below top
    bool shown = false;    // this page is painted: one of the range
    bool painted = false;  // the device holds a page painted
    const auto newPage = [&] {
        ++page;
        y = 0;
        shown = painting && range.holds(page);
        if (!shown)
            return;
        if (std::exchange(painted, true))
            device->newPage();
        QPainter& p = *painter;
        p.setPen(text);
        p.setFont(title);
        p.drawText(QPointF(0, fmTitle.ascent()), tr("Customers"));
        p.setFont(body);
        p.drawText(QRectF(0, 0, width, fmTitle.lineSpacing()), Qt::AlignRight | Qt::AlignBottom, date_);
        if (!filter_.isEmpty())
            p.drawText(QPointF(0, fmTitle.lineSpacing() + fm.ascent()), filter_);
        p.setFont(bold);
        for (int i = 0; i < heads.size(); ++i)
            for (int k = 0; k < heads[i].size(); ++k)
                p.drawText(QPointF(left[i] + pad / 2, headTop + k * fmBold.lineSpacing() + fmBold.ascent()), heads[i][k]);
        p.setFont(body);
        const QString footText = pages > 0 ? tr("Page %1 of %2").arg(page).arg(pages) : tr("Page %1").arg(page);
        p.drawText(QRectF(0, foot, width, lh), Qt::AlignRight | Qt::AlignBottom, footText);
        p.setPen(rule);
        p.drawLine(QPointF(0, top - s.pt(1.5)), QPointF(width, top - s.pt(1.5)));
        p.setPen(text);
    };

    qint64 done = 0;
    newPage();
    CustomerRow row;
    QVector<QStringList> cells(widths.size());
    while (rows(row)) {
        qsizetype lines = 1;
        for (int i = 0; i < widths.size(); ++i) {
            cells[i] = wrap(cell_text(row, i), body, fm, widths[i] - pad);
            lines = std::max(lines, cells[i].size());
        }
        for (qsizetype line = 0; line < lines;) {
            const qsizetype rest = lines - line;
            qsizetype here = rest;
            if (rest * lh + 2 * rowPad > room - y) {
                // A row that fits on a page of its own begins one; a taller
                // one fills this page and goes on on the next.
                here = qsizetype((room - y - 2 * rowPad) / lh);
                if (y > 0 && (here < 1 || rest * lh + 2 * rowPad <= room)) {
                    newPage();
                    continue;
                }
                here = std::clamp<qsizetype>(here, 1, rest);
            }
            if (shown) {
                QPainter& p = *painter;
                for (int i = 0; i < cells.size(); ++i)
                    for (qsizetype k = line; k < line + here && k < cells[i].size(); ++k)
                        p.drawText(QPointF(left[i] + pad / 2, top + y + rowPad + (k - line) * lh + fm.ascent()), cells[i][k]);
            }
            y += here * lh + 2 * rowPad;
            line += here;
            if (shown) {
                painter->setPen(rule);
                painter->drawLine(QPointF(0, top + y), QPointF(width, top + y));
                painter->setPen(text);
            }
            if (line < lines)
                newPage();
        }
        ++done;
        if (progress && done % 256 == 0 && !progress(done))
            return -1;
    }
    if (progress && !progress(done))
        return -1;
    return page;
}

// ---- One customer ----

void paint_card(QPagedPaintDevice* device, const CustomerRow& row)
{
    QPainter p(device);
    if (!p.isActive())
        return;
    const Scale s(device);
    const QFont body = face(10, s.dpi), bold = face(10, s.dpi, true), title = face(kTitlePt, s.dpi, true);
    const QFontMetricsF fm(body), fmBold(bold), fmTitle(title);
    const qreal lh = fm.lineSpacing(), height = device->height(), gap = s.pt(8);

    QStringList captions;
    qreal captionWidth = 0;
    for (const QString& heading : column_headings().mid(1)) {
        captions << heading + u':';
        captionWidth = std::max(captionWidth, fmBold.horizontalAdvance(captions.back()));
    }
    const qreal valueLeft = captionWidth + gap, valueWidth = device->width() - valueLeft;

    p.setFont(title);
    p.drawText(QPointF(0, fmTitle.ascent()), ListLayout::tr("Customer %1").arg(row.cusnum));
    qreal y = fmTitle.lineSpacing() + s.pt(10);
    for (int i = 1; i < int(kCustomerColumns.size()); ++i) {
        const QStringList lines = wrap(cell_text(row, i), body, fm, valueWidth);
        if (y + lh > height) {
            device->newPage();
            y = 0;
        }
        p.setFont(bold);
        p.drawText(QPointF(0, y + fm.ascent()), captions[i - 1]);
        p.setFont(body);
        for (const QString& line : lines) {
            if (y + lh > height) {
                device->newPage();
                y = 0;
            }
            p.drawText(QPointF(valueLeft, y + fm.ascent()), line);
            y += lh;
        }
        y += s.pt(5);
    }
}

// ---- Labels ----

const QVector<LabelSheet>& label_sheets()
{
    static const QVector<LabelSheet> sheets{
        {"a4-3x8", QT_TRANSLATE_NOOP("Print", "A4, 3 × 8 labels of 70 × 37 mm"), QPageSize::A4, 3, 8, {70, 37}, {0, 0.5}, {70, 37}},
        {"a4-3x7", QT_TRANSLATE_NOOP("Print", "A4, 3 × 7 labels of 63.5 × 38.1 mm"), QPageSize::A4, 3, 7, {63.5, 38.1}, {7.2, 15.15}, {66.04, 38.1}},
        {"letter-3x10", QT_TRANSLATE_NOOP("Print", "US Letter, 3 × 10 labels of 2 5/8 × 1 in"), QPageSize::Letter, 3, 10,
         {66.675, 25.4}, {4.7625, 12.7}, {69.85, 25.4}},
    };
    return sheets;
}

std::optional<LabelSheet> label_sheet(const QString& id)
{
    for (const LabelSheet& sheet : label_sheets())
        if (id == QLatin1String(sheet.id))
            return sheet;
    return std::nullopt;
}

LabelSheet label_sheet_for(QPageSize::PageSizeId paper)
{
    for (const LabelSheet& sheet : label_sheets())
        if (sheet.paper == paper)
            return sheet;
    return label_sheets().front();
}

QPageLayout label_page(const LabelSheet& sheet)
{
    return QPageLayout(QPageSize(sheet.paper), QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter);
}

namespace {

// A customer's name and address within box: as large as fits, from 10
// points down to 6; below that what does not fit ends in "…".
void paint_label(QPainter& p, const QRectF& box, const CustomerRow& row, qreal dpi)
{
    const QString name = QStringList{row.fname.trimmed(), row.lname.trimmed()}.join(u' ').trimmed();
    for (qreal points = 10;; points -= 0.5) {
        const QFont bold = face(points, dpi, true), body = face(points, dpi);
        const QFontMetricsF fmBold(bold), fm(body);
        const QStringList nameLines = wrap(name, bold, fmBold, box.width());
        const QStringList addressLines = row.address.isEmpty() ? QStringList() : wrap(row.address, body, fm, box.width());
        const qreal lh = std::max(fm.lineSpacing(), fmBold.lineSpacing());
        const qsizetype total = nameLines.size() + addressLines.size();
        const bool fits = total * lh <= box.height();
        if (!fits && points > 6)
            continue;
        const qsizetype room = fits ? total : std::max<qsizetype>(1, qsizetype(box.height() / lh));
        for (qsizetype k = 0; k < room; ++k) {
            const bool isName = k < nameLines.size();
            QString line = isName ? nameLines[k] : addressLines[k - nameLines.size()];
            const QFontMetricsF& m = isName ? fmBold : fm;
            if (!fits && k == room - 1) {
                const QString more = QStringLiteral("…");
                while (!line.isEmpty() && m.horizontalAdvance(line + more) > box.width())
                    line.chop(1);
                line += more;
            }
            p.setFont(isName ? bold : body);
            p.drawText(QPointF(box.left(), box.top() + k * lh + m.ascent()), line);
        }
        return;
    }
}

}  // namespace

qint64 paint_labels(QPagedPaintDevice* device, const LabelSheet& sheet, const NextRow& rows, const Progress& progress,
                    PageRange range)
{
    QPainter p(device);
    if (!p.isActive())
        return -1;
    const Scale s(device);
    const qreal insetX = s.mm(4), insetY = s.mm(3);
    const int perSheet = sheet.columns * sheet.rows;
    int at = 0;
    qint64 done = 0, page = 1;
    bool painted = false;  // the device holds a sheet painted
    CustomerRow row;
    while (rows(row)) {
        if (at == perSheet) {
            ++page;
            at = 0;
        }
        const int c = at % sheet.columns, r = at / sheet.columns;
        if (!range.holds(page)) {
            ++at;
            ++done;
            continue;
        }
        if (at == 0 && std::exchange(painted, true))
            device->newPage();
        const QRectF box(s.mm(sheet.first.x() + c * sheet.pitch.width()) + insetX,
                         s.mm(sheet.first.y() + r * sheet.pitch.height()) + insetY,
                         s.mm(sheet.label.width()) - 2 * insetX, s.mm(sheet.label.height()) - 2 * insetY);
        paint_label(p, box, row, s.dpi);
        ++at;
        ++done;
        if (progress && done % 256 == 0 && !progress(done))
            return -1;
    }
    return !progress || progress(done) ? done : -1;
}

// ---- PDF files ----

Printed print_customers(QPagedPaintDevice* device, ListingCursor& cursor, const ListLayout& layout,
                        const std::optional<LabelSheet>& sheet, const Progress& progress, PageRange range)
{
    if (!sheet)
        return print_list(device, layout, cursor, progress, range);
    const qint64 labels = paint_labels(device, *sheet, [&cursor](CustomerRow& row) { return cursor.next(row); }, progress, range);
    Printed printed;
    printed.outcome = labels < 0 ? Printed::Stopped : Printed::Done;
    printed.customers = std::max<qint64>(labels, 0);
    return printed;
}

Written write_pdf(const QString& path, const QPageLayout& layout, const QString& title,
                  const std::function<bool(QPagedPaintDevice*)>& paint)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {Written::Failed, file.errorString()};
    bool painted = false;
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(layout);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Tallyhouse"));
        writer.setResolution(600);
        painted = paint(&writer);
    }
    if (!painted) {
        file.cancelWriting();
        return {Written::Cancelled, {}};
    }
    if (!file.commit())
        return {Written::Failed, file.errorString()};
    return {};
}

}  // namespace print
