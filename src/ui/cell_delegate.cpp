#include "ui/cell_delegate.h"

#include <QApplication>
#include <QPainter>

namespace {
QStaticText laid(const QString& text, const QFont& font)
{
    QStaticText out(text);
    out.setTextFormat(Qt::PlainText);
    out.prepare(QTransform(), font);
    return out;
}
}  // namespace

const QStaticText& CellDelegate::laidOut(const QString& text, const QFont& font) const
{
    // A bound on the texts kept: a screenful is a few hundred.
    constexpr qsizetype kMaxTexts = 4096;
    if (font != font_ || texts_.size() >= kMaxTexts) {
        texts_.clear();
        font_ = font;
    }
    auto it = texts_.find(text);
    if (it == texts_.end())
        it = texts_.insert(text, laid(text, font));
    return *it;
}

void CellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QStyle::State state = option.state;
    const QPalette::ColorGroup group = !(state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (state & QStyle::State_Active)  ? QPalette::Active
                                                                         : QPalette::Inactive;
    const bool selected = state & QStyle::State_Selected;
    if (selected)
        painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));

    const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
    const QRect box = option.rect.adjusted(margin, 0, -margin, 0);
    // The model's font for this cell, else the view's: only the view's
    // texts are kept laid out.
    const QString shown = index.data(Qt::DisplayRole).toString();
    const QVariant asked = index.data(Qt::FontRole);
    QFont font = option.font;
    QFontMetrics metrics = option.fontMetrics;
    QStaticText own;
    const QStaticText* text = &own;
    if (asked.isValid()) {
        font = qvariant_cast<QFont>(asked).resolve(option.font);
        metrics = QFontMetrics(font);
        own = laid(shown, font);
    } else {
        text = &laidOut(shown, font);
    }
    const QPointF at(box.left(), box.top() + (box.height() - metrics.height()) / 2);
    painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(font);
    // A laid-out text may measure a pixel beyond its advance, which is what
    // columns are fitted to: such a text is whole.
    const bool elides = option.textElideMode != Qt::ElideNone;
    if (text->size().width() <= box.width() || (elides && metrics.horizontalAdvance(shown) <= box.width())) {
        painter->drawStaticText(at, *text);
    } else if (elides) {
        painter->drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          metrics.elidedText(shown, option.textElideMode, box.width()));
    } else {
        painter->save();
        painter->setClipRect(box, Qt::IntersectClip);
        painter->drawStaticText(at, *text);
        painter->restore();
    }

    if (state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.backgroundColor = option.palette.color(group, selected ? QPalette::Highlight : QPalette::Window);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
    }
}
