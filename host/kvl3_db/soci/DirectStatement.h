#pragma once
#include "SociDriver.h"

#include <string>
#include <vector>

namespace kvl {

// A statement a driver prepared itself on the engine's own handle, beside the client library's,
// for the rows of a fill: binding and running them through the client library's exchange costs
// more than the row's own work.
class TKVL_DirectStatement {
public:
    virtual ~TKVL_DirectStatement() = default;
    // Runs the statement once without result, one value per parameter slot. False when the values
    // do not suit it; the caller then goes through the client library.
    virtual bool Execute(const std::vector<TKVL_SlotValue>& values) = 0;
    // The server is gone: freeing the statement must not ask it anything.
    virtual void Abandon() {}

    // The rows of a query, for drivers whose statements all go their own way (see
    // TKVL_NativeSession). Open runs the query and stands on its first row; false when it has none.
    virtual bool Open(const std::vector<TKVL_SlotValue>&) { return false; }
    virtual bool Fetch() { return false; } // false past the last row
    virtual void CloseCursor() {}
    virtual int FieldCount() const { return 0; }
    virtual std::string FieldName(int) const { return {}; }
    virtual bool FieldIsNull(int) const { return true; }
    virtual std::string FieldAsString(int) const { return {}; } // NULL reads as ""
};

// The transactions and statements of a session that a driver runs on the engine's own client
// API, where the client library's exchange cannot carry the engine's types. The client library
// then only opens and closes the attachment.
class TKVL_NativeSession {
public:
    virtual ~TKVL_NativeSession() = default;
    virtual void Begin() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
    // Ends what the session still holds before the attachment closes.
    virtual void Finish() = 0;
    // The server is gone: nothing more may be asked of it.
    virtual void Abandon() = 0;
    virtual void ExecuteCommand(const std::string& sql) = 0;
    virtual std::unique_ptr<TKVL_DirectStatement> Prepare(const std::string& sql) = 0;
};

} // namespace kvl
