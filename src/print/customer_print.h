#pragma once

#include "data/customer_row.h"
#include "data/row_source.h"

#include <QCoreApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPointF>
#include <QSizeF>
#include <QStringList>
#include <QVector>
#include <functional>
#include <optional>

class ListingCursor;
class QLocale;
class QPagedPaintDevice;

// The customers on paper, painted on any paged device (a PDF file, a
// printer, a preview): the list, one customer's card, and address labels.
// Rows come one at a time (NextRow), so that a list of any length is laid
// out page by page and never held whole. Painting needs no widgets and may
// run on any one thread.
namespace print {

// The next customer in list order; false after the last.
using NextRow = std::function<bool(CustomerRow&)>;
// Told how many customers are done; returns false to stop.
using Progress = std::function<bool(qint64 done)>;

// The paper of a locale: US Letter where it is the custom (the United
// States, Canada, Mexico and the other countries that use Letter, and any
// locale that measures in inches), A4 elsewhere.
QPageSize::PageSizeId paper_for(const QLocale& locale);
// The locale that says the user's paper, as the C library finds it:
// LC_ALL, else LC_PAPER, else LANG.
QLocale paper_locale();
// A page of that paper with margins of 12 mm, in this orientation.
QPageLayout page_layout(QPageSize::PageSizeId paper, QPageLayout::Orientation orientation = QPageLayout::Portrait);

// What the heading of the list says of the filter: 'First name begins with
// "pe"'; empty when every customer is listed.
QString filter_text(const RowSource& source);

// The pages to print, as a print dialog chooses them: from the page from
// to the page to, the first being 1; 0 for either end leaves that end open.
struct PageRange {
    qint64 from = 0;
    qint64 to = 0;
    bool holds(qint64 page) const { return (from == 0 || page >= from) && (to == 0 || page <= to); }
};

// The headings of dept's columns on paper, in the order of
// kCustomerColumns: the window's captions, the others by their names.
QStringList column_headings();

// The list of customers: a heading on every page (the title, the filter
// when one is set, the date), every column of dept headed,
// each text whole (wrapped within its cell, a row taller than a page
// carried on to the next), and "Page N of M" at the foot. M is found by a
// first pass over the rows that lays them out without painting.
class ListLayout {
    Q_DECLARE_TR_FUNCTIONS(Print)
public:
    // filter: filter_text() of what is listed.
    explicit ListLayout(QString filter);

    // Sizes the columns from the first rows of the list: each as wide as
    // its texts there, within bounds.
    void fit(const QVector<CustomerRow>& first);
    // The orientation the columns need on this paper: portrait when they
    // fit, else landscape.
    QPageLayout::Orientation orientation(QPageSize::PageSizeId paper) const;

    // The pages the rows fill on device (none painted); -1 when progress
    // stopped it.
    qint64 count(QPagedPaintDevice* device, const NextRow& rows, const Progress& progress = {}) const;
    // Paints the rows on device, pages of them (from count(); 0 when it is
    // not known, and the feet then say "Page N"), those of range. Begins
    // and ends its painter. The pages laid out; -1 when progress stopped it.
    qint64 paint(QPagedPaintDevice* device, const NextRow& rows, qint64 pages, const Progress& progress = {},
                 PageRange range = {}) const;

private:
    qint64 run(QPagedPaintDevice* device, const NextRow& rows, qint64 pages, bool painting, const Progress& progress,
               PageRange range) const;

    QStringList headings_;
    QString filter_;
    QString date_;
    // The columns' natural widths, in points.
    QVector<qreal> natural_;
};

// The list of the customers a cursor reads, on device: laid out once to
// count its pages, then painted. progress is told the customers done of
// both passes (up to twice their number). Changed: the customers read the
// second time filled other pages than the first time (another program
// changed them meanwhile), and the feet would be wrong.
struct Printed {
    enum Outcome { Done, Stopped, Changed };
    Outcome outcome = Done;
    qint64 customers = 0;
};
Printed print_list(QPagedPaintDevice* device, const ListLayout& layout, ListingCursor& cursor,
                   const Progress& progress = {}, PageRange range = {});
// The first rows a cursor reads, to fit a list's columns to; the cursor
// is rewound.
QVector<CustomerRow> first_rows(ListingCursor& cursor, int most = 200);

// Paints one customer as a card: every field with its caption, texts whole.
void paint_card(QPagedPaintDevice* device, const CustomerRow& row);

// A sheet of address labels.
struct LabelSheet {
    const char* id;    // as the command line names it: "a4-3x8"
    const char* name;  // untranslated (context "Print")
    QPageSize::PageSizeId paper;
    int columns;
    int rows;
    QSizeF label;   // in millimetres
    QPointF first;  // the top-left corner of the first label on the sheet, mm
    QSizeF pitch;   // from one label to the next, mm
};
// The sheets known, the common ones of each paper.
const QVector<LabelSheet>& label_sheets();
std::optional<LabelSheet> label_sheet(const QString& id);
// The first sheet of this paper.
LabelSheet label_sheet_for(QPageSize::PageSizeId paper);
// The sheet's page, without margins: labels are placed from its corner.
QPageLayout label_page(const LabelSheet& sheet);

// Paints one label a customer, its name and address, in list order, on
// sheets of labels (those of range); the device paints from the paper's
// corner. A text too
// long for its label is set smaller, down to 6 points, and what still does
// not fit ends in "…". The customers printed; -1 when progress stopped it.
qint64 paint_labels(QPagedPaintDevice* device, const LabelSheet& sheet, const NextRow& rows,
                    const Progress& progress = {}, PageRange range = {});

// The customers a cursor reads on device: as labels on sheet when one is
// given (never Changed), else as the list layout lays out.
Printed print_customers(QPagedPaintDevice* device, ListingCursor& cursor, const ListLayout& layout,
                        const std::optional<LabelSheet>& sheet, const Progress& progress = {}, PageRange range = {});

// Writes a PDF file through paint, which paints on the device given: to a
// temporary file beside path, which takes path's place only when paint
// returns true and everything is written. Otherwise nothing is left, and
// a file that was at path stays as it was.
struct Written {
    enum Outcome { Done, Cancelled, Failed };
    Outcome outcome = Done;
    QString error;  // Failed: why
};
Written write_pdf(const QString& path, const QPageLayout& layout, const QString& title,
                  const std::function<bool(QPagedPaintDevice*)>& paint);

}  // namespace print
