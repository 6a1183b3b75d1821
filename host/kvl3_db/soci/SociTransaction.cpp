#include "SociTransaction.h"

#include "SociConnection.h"

#include <soci/soci.h>

namespace kvl {

void TKVL_SociTransaction::StartTransaction() {
    if (connection_.InTransaction()) return;
    try {
        connection_.Session().begin();
        connection_.SetInTransaction(true);
    } catch (const std::exception& e) {
        connection_.Fail(e);
    }
}

void TKVL_SociTransaction::Commit() {
    if (!connection_.InTransaction()) return;
    connection_.SetInTransaction(false);
    try {
        connection_.Session().commit();
    } catch (const std::exception& e) {
        connection_.Fail(e);
    }
}

void TKVL_SociTransaction::Rollback() {
    if (!connection_.InTransaction()) return;
    connection_.SetInTransaction(false);
    try {
        connection_.Session().rollback();
    } catch (const std::exception& e) {
        connection_.Fail(e);
    }
}

bool TKVL_SociTransaction::InTransaction() const {
    return connection_.InTransaction();
}

void TKVL_SociTransaction::SetTransactionFlag(bool autoStart) {
    connection_.SetAutoStartTransaction(autoStart);
}

} // namespace kvl
