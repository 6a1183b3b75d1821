#include "UImageList.h"

#include <QPainter>
#include <QPixmap>

namespace kvl {

namespace {

using Painter = void (*)(QPainter&);

void paintTable(QPainter& p) {
    p.setPen(QColor(40, 70, 130));
    p.fillRect(QRect(1, 2, 14, 12), Qt::white);
    p.fillRect(QRect(1, 2, 14, 3), QColor(90, 130, 200));
    p.drawRect(QRect(1, 2, 13, 11));
    p.drawLine(1, 8, 14, 8);
    p.drawLine(6, 5, 6, 13);
}

void paintView(QPainter& p) {
    paintTable(p);
    p.setPen(QColor(200, 120, 0));
    p.drawEllipse(QRect(8, 8, 6, 6));
}

void paintColumn(QPainter& p) {
    p.setPen(QColor(60, 60, 60));
    p.fillRect(QRect(5, 1, 6, 14), QColor(225, 225, 225));
    p.drawRect(QRect(5, 1, 5, 13));
    p.drawLine(5, 5, 10, 5);
}

void paintColumnReady(QPainter& p) {
    paintColumn(p);
    p.setPen(QPen(QColor(0, 150, 0), 2));
    p.drawLine(3, 9, 6, 13);
    p.drawLine(6, 13, 14, 4);
}

void paintIndex(QPainter& p) {
    p.setPen(QColor(120, 80, 0));
    p.setBrush(QColor(240, 200, 90));
    p.drawEllipse(QRect(2, 2, 7, 7));
    p.drawLine(8, 8, 14, 14);
}

void paintTrigger(QPainter& p) {
    p.setPen(QColor(150, 0, 0));
    p.setBrush(QColor(240, 170, 0));
    const QPoint bolt[] = {{9, 1}, {3, 9}, {8, 9}, {6, 15}, {13, 6}, {8, 6}};
    p.drawPolygon(bolt, 6);
}

void paintGenerator(QPainter& p) {
    p.setPen(QColor(0, 90, 0));
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("#"));
}

void paintModule(QPainter& p) {
    paintTable(p);
    p.setPen(QPen(QColor(0, 150, 0), 2));
    p.drawLine(11, 9, 11, 15);
    p.drawLine(8, 12, 14, 12);
}

Painter painterOf(int index) {
    switch (index) {
    case imgTable:
        return paintTable;
    case imgView:
        return paintView;
    case imgIndex:
        return paintIndex;
    case imgTrigger:
        return paintTrigger;
    case imgGenerator:
        return paintGenerator;
    case imgColumnReady:
        return paintColumnReady;
    case imgColumn:
        return paintColumn;
    case imgTestDataGenerator:
        return paintModule;
    default:
        return nullptr;
    }
}

} // namespace

QIcon TKVL_ImageList::Icon(int index) {
    if (auto it = icons_.find(index); it != icons_.end()) return it->second;
    Painter paint = painterOf(index);
    if (!paint) return {};
    QPixmap pixmap(Width(), Width());
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    p.end();
    return icons_[index] = QIcon(pixmap);
}

TKVL_ImageList& KVL_StdImgList() {
    static TKVL_ImageList list;
    return list;
}

int KVL_GetObjectImage(const IKVL_Ref& object, const std::shared_ptr<IKVL_Schema>& /*schema*/) {
    if (ObjectSupports<IKVL_Table>(object)) return imgTable;
    if (ObjectSupports<IKVL_Column>(object)) return imgColumn;
    if (ObjectSupports<IKVL_Index>(object)) return imgIndex;
    if (ObjectSupports<IKVL_Trigger>(object)) return imgTrigger;
    if (ObjectSupports<IKVL_Generator>(object)) return imgGenerator;
    if (ObjectSupports<IKVL_Relation>(object)) return imgView;
    return -1;
}

} // namespace kvl
