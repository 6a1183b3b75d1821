#pragma once
#include "../soci/DirectStatement.h"

#include <memory>
#include <string>
#include <vector>

typedef struct st_mysql_stmt MYSQL_STMT;
namespace soci {
class session;
}

namespace kvl {

// A statement prepared on the server through the client library's own API, its values bound
// as parameters: the client library's exchange would write every value into the statement's text.
class TKVL_MariadbStatement final : public TKVL_DirectStatement {
public:
    TKVL_MariadbStatement(MYSQL_STMT* statement, size_t params);
    ~TKVL_MariadbStatement() override;
    TKVL_MariadbStatement(const TKVL_MariadbStatement&) = delete;
    TKVL_MariadbStatement& operator=(const TKVL_MariadbStatement&) = delete;

    // Raises EKVL_MariadbError when the server refuses the row.
    bool Execute(const std::vector<TKVL_SlotValue>& values) override;

private:
    MYSQL_STMT* statement_;
    size_t params_;
    std::vector<unsigned long> lengths_;
    std::vector<char> binds_; // MYSQL_BIND records, kept opaque to the header's readers
};

// Prepares the text, its ":name" parameters as "?", on the session's connection. Nil when the
// session is not this driver's or the server cannot prepare the text.
std::unique_ptr<TKVL_DirectStatement> KVL_MariadbPrepare(soci::session& session, const std::string& sql);

} // namespace kvl
