#include "TOwnerDrawPanel.h"

#include <QEvent>
#include <QFrame>
#include <QPainter>

TOwnerDrawPanel::TOwnerDrawPanel(QWidget* panel, TDrawPanel draw)
    : QObject(panel), panel_(panel), draw_(std::move(draw)) {
    panel_->installEventFilter(this);
}

bool TOwnerDrawPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched != panel_ || event->type() != QEvent::Paint) return false;
    QPainter canvas(panel_);
    draw_(canvas, panel_->contentsRect());
    return false;
}
