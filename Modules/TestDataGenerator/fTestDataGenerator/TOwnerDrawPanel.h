#pragma once
#include <QObject>
#include <functional>

class QPainter;
class QRect;
class QWidget;

// Lets its owner paint the inside of a status-bar panel. The panel keeps drawing its own
// frame; the owner's drawing goes first, inside the frame.
class TOwnerDrawPanel : public QObject {
    Q_OBJECT
public:
    using TDrawPanel = std::function<void(QPainter& Canvas, const QRect& Rect)>;
    // Belongs to panel and goes with it.
    TOwnerDrawPanel(QWidget* panel, TDrawPanel draw);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* panel_;
    TDrawPanel draw_;
};
