#pragma once
#include "../Ukvl_connection.h"

namespace kvl {

class TKVL_SociConnection;

// The transaction of a connection; several objects on one connection share its one transaction.
class TKVL_SociTransaction final : public TKVL_Transaction {
public:
    explicit TKVL_SociTransaction(TKVL_SociConnection& connection) : connection_(connection) {}
    void StartTransaction() override;
    void Commit() override;
    void Rollback() override;
    bool InTransaction() const override;
    void SetTransactionFlag(bool autoStart) override;

private:
    TKVL_SociConnection& connection_;
};

} // namespace kvl
