#pragma once
#include <QStyledItemDelegate>

// Draws what the plain item view cannot: the static text after a table's name and the
// check-box glyphs of "Not NULL" and "P. Key".
class TFillerTreeDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void paintStaticText(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const;
    void tvFillerAfterCellPaint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const;
};
