#pragma once
#include <vector>

namespace kvl {

class TKVL_DirectStatement;

// Keeps one failed statement from costing more than itself on a server that aborts the whole
// transaction after a failure. A connection holds one while its session is open.
class TKVL_RowIsolation {
public:
    virtual ~TKVL_RowIsolation() = default;
    // Runs a statement the driver prepared itself without result inside the open transaction, the
    // parameters as texts (nil for NULL). When it fails, the transaction holds what it held before
    // and the error is thrown. False when the statement cannot go this way.
    virtual bool Execute(TKVL_DirectStatement& statement, const std::vector<const char*>& values) = 0;
    // Work is about to change the transaction outside Execute: from here on, savepoints guard
    // every statement through the client library.
    virtual void Unreplayable() = 0;
    // A prepared statement is about to be freed.
    virtual void Forget(TKVL_DirectStatement& statement) = 0;
    // A transaction began or ended.
    virtual void TransactionBoundary() = 0;
};

} // namespace kvl
