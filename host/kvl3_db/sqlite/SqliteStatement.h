#pragma once
#include "../soci/DirectStatement.h"

#include <memory>
#include <string>

namespace soci {
class session;
}

namespace kvl {

// A statement prepared on the SQLite handle of a session; the values are bound straight to it.
// Nil when the session is not SQLite's or the text does not prepare.
std::unique_ptr<TKVL_DirectStatement> KVL_SqlitePrepare(soci::session& session, const std::string& sql);

} // namespace kvl
