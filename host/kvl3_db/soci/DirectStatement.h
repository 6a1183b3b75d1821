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
};

} // namespace kvl
