#include "fQSFConnectionForm.h"

namespace kvl {

TfrmQSFConnectionForm::TfrmQSFConnectionForm(QWidget* owner) : TfrmQSFForm(owner) {}

} // namespace kvl
