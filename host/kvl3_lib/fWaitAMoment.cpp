#include "fWaitAMoment.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QVBoxLayout>

namespace kvl {

namespace {
QPointer<TfrmWaitAMoment>& instance() {
    static QPointer<TfrmWaitAMoment> form;
    return form;
}
} // namespace

TfrmWaitAMoment::TfrmWaitAMoment()
    : QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint),
      label_(new QLabel(tr("Please wait a moment..."))), bar_(new QProgressBar) {
    setObjectName("frmWaitAMoment");
    bar_->setRange(0, 0);
    bar_->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    setModal(false);
}

TfrmWaitAMoment* TfrmWaitAMoment::Instance() {
    return instance().data();
}

void TfrmWaitAMoment::ShowForm() {
    if (!instance()) instance() = new TfrmWaitAMoment;
    instance()->ticks_ = 0;
    instance()->show();
    instance()->repaintNow();
}

void TfrmWaitAMoment::HideForm() {
    if (instance()) instance()->hide();
}

void TfrmWaitAMoment::ProgressTick() {
    if (!instance() || !instance()->isVisible()) return;
    ++instance()->ticks_;
    instance()->repaintNow();
}

void TfrmWaitAMoment::repaintNow() {
    bar_->setValue(ticks_);
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace kvl
