#pragma once
#include "../soci/DirectStatement.h"

#include <memory>
#include <string>

typedef struct pg_conn PGconn;
namespace soci {
class session;
}

namespace kvl {

// A statement prepared under a name of its own on the libpq connection of a session, so that
// the rows of a transaction can be written down by that name and sent again.
class TKVL_PostgresStatement final : public TKVL_DirectStatement {
public:
    TKVL_PostgresStatement(PGconn* conn, std::string name) : conn_(conn), name_(std::move(name)) {}
    ~TKVL_PostgresStatement() override;
    TKVL_PostgresStatement(const TKVL_PostgresStatement&) = delete;
    TKVL_PostgresStatement& operator=(const TKVL_PostgresStatement&) = delete;

    // Rows outside a transaction go through the client library.
    bool Execute(const std::vector<TKVL_SlotValue>&) override { return false; }
    void Abandon() override { abandoned_ = true; }

    PGconn* Connection() const { return conn_; }
    const std::string& Name() const { return name_; }

private:
    PGconn* conn_;
    std::string name_;
    bool abandoned_ = false;
};

// Prepares the text, its ":name" parameters numbered, on the session's libpq connection. Nil
// when the session is not PostgreSQL's or the server refuses the text.
std::unique_ptr<TKVL_DirectStatement> KVL_PostgresPrepare(soci::session& session, const std::string& sql);

} // namespace kvl
