#include "TFillerTreeDelegate.h"

#include "TFillerTreeModel.h"

#include <QApplication>
#include <QPainter>

namespace {
constexpr int staticTextGap = 6;
constexpr int glyphSize = 13;
} // namespace

void TFillerTreeDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    paintStaticText(painter, option, index);
    tvFillerAfterCellPaint(painter, option, index);
}

QSize TFillerTreeDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    QString extra = index.data(TFillerTreeModel::StaticTextRole).toString();
    if (!extra.isEmpty()) size.rwidth() += staticTextGap + option.fontMetrics.horizontalAdvance(extra);
    return size;
}

void TFillerTreeDelegate::paintStaticText(QPainter* painter, const QStyleOptionViewItem& option,
                                          const QModelIndex& index) const {
    QString extra = index.data(TFillerTreeModel::StaticTextRole).toString();
    if (extra.isEmpty()) return;
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
    int used = QFontMetrics(opt.font).horizontalAdvance(opt.text);
    QRect rect = textRect.adjusted(used + staticTextGap, 0, 0, 0);
    if (rect.width() <= 0) return;
    painter->save();
    painter->setFont(option.font);
    bool selected = option.state & QStyle::State_Selected;
    painter->setPen(selected ? option.palette.color(QPalette::HighlightedText)
                             : option.palette.color(QPalette::Disabled, QPalette::Text));
    painter->drawText(rect, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(option.font).elidedText(extra, Qt::ElideRight, rect.width()));
    painter->restore();
}

void TFillerTreeDelegate::tvFillerAfterCellPaint(QPainter* painter, const QStyleOptionViewItem& option,
                                                 const QModelIndex& index) const {
    QVariant glyph = index.data(TFillerTreeModel::GlyphCheckedRole);
    if (!glyph.isValid()) return;
    QStyleOptionButton box;
    box.rect = QRect(option.rect.left(), option.rect.top() + 2, std::min(glyphSize, option.rect.width()),
                     std::min(glyphSize, option.rect.height() - 2));
    box.state = QStyle::State_Enabled | (glyph.toBool() ? QStyle::State_On : QStyle::State_Off);
    box.features = QStyleOptionButton::Flat;
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, widget);
}
