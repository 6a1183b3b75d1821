#pragma once
#include "fQSFForm.h"

namespace kvl {

class TKVL_Connection;

// A tool window working on one connection of the session; the connection is the session's.
class TfrmQSFConnectionForm : public TfrmQSFForm {
    Q_OBJECT
public:
    explicit TfrmQSFConnectionForm(QWidget* owner);

    void SetConnection(TKVL_Connection* connection) { connection_ = connection; }
    TKVL_Connection* GetConnection() const { return connection_; }

private:
    TKVL_Connection* connection_ = nullptr;
};

} // namespace kvl
