#include "fQSFForm.h"

#include <QCloseEvent>

namespace kvl {

TfrmQSFForm::TfrmQSFForm(QWidget* owner) : QMainWindow(owner, Qt::Window) {}

TfrmQSFForm::~TfrmQSFForm() = default;

std::string TfrmQSFForm::GetCaption() const {
    return windowTitle().toStdString();
}

void TfrmQSFForm::SetCaption(const std::string& caption) {
    setWindowTitle(QString::fromStdString(caption));
}

void TfrmQSFForm::PrintForm() {}

void TfrmQSFForm::FormCreate() {
    setAttribute(Qt::WA_DeleteOnClose);
}

void TfrmQSFForm::FormClose(TCloseAction& /*action*/) {}

void TfrmQSFForm::closeEvent(QCloseEvent* event) {
    TCloseAction action = testAttribute(Qt::WA_DeleteOnClose) ? TCloseAction::caFree : TCloseAction::caHide;
    FormClose(action);
    if (action == TCloseAction::caNone) {
        event->ignore();
        return;
    }
    setAttribute(Qt::WA_DeleteOnClose, action == TCloseAction::caFree);
    event->accept();
}

} // namespace kvl
