#pragma once

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

// Paints a table cell as one line of plain text, in the font the model
// gives it (Qt::FontRole) or the view's, and where the text is wider than
// the cell, cut off at its edge, or ended with an ellipsis where the view
// elides (QAbstractItemView::textElideMode). Each distinct text in the
// view's font is laid out once and kept (names, departments and amounts
// repeat from row to row), so repainting a table after a keystroke costs
// little more than copying glyphs; the style would lay out each cell's
// text several times a paint.
class CellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const QStaticText& laidOut(const QString& text, const QFont& font) const;

    mutable QHash<QString, QStaticText> texts_;
    mutable QFont font_;
};
