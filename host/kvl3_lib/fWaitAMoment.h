#pragma once
#include <QDialog>

class QLabel;
class QProgressBar;

namespace kvl {

// The host's small "working" window for long operations that keep the window's thread busy.
// One instance for the application; every call processes pending paint events so that it
// shows although nobody returns to the event loop.
class TfrmWaitAMoment : public QDialog {
    Q_OBJECT
public:
    static void ShowForm();
    static void HideForm();
    static void ProgressTick();
    // nil while the window has not been shown
    static TfrmWaitAMoment* Instance();
    int Ticks() const { return ticks_; }

private:
    TfrmWaitAMoment();
    void repaintNow();

    QLabel* label_;
    QProgressBar* bar_;
    int ticks_ = 0;
};

} // namespace kvl
