#include "SqliteStatement.h"

#include "base/Exceptions.h"

#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>

namespace kvl {

namespace {

// The backend declares the library's interface in a namespace of its own.
using namespace ::sqlite_api;

// The backend's type information is not exported, so this cast cannot be checked at run time.
__attribute__((no_sanitize("vptr"))) sqlite3* handleOf(soci::session& session) {
    soci::details::session_backend* backend = session.get_backend();
    if (!backend || backend->get_backend_name() != "sqlite3") return nullptr;
    return static_cast<soci::sqlite3_session_backend*>(backend)->conn_;
}

int bindOne(sqlite3_stmt* stmt, int position, const TKVL_SlotValue& v) {
    if (v.Null) return sqlite3_bind_null(stmt, position);
    switch (v.Kind) {
    case TKVL_SlotKind::Integer:
        return sqlite3_bind_int64(stmt, position, v.Integer);
    case TKVL_SlotKind::Real:
        return sqlite3_bind_double(stmt, position, v.Real);
    case TKVL_SlotKind::Blob:
        return sqlite3_bind_blob64(stmt, position, v.Text->data(), v.Text->size(), SQLITE_STATIC);
    default:
        return sqlite3_bind_text64(stmt, position, v.Text->data(), v.Text->size(), SQLITE_STATIC,
                                   SQLITE_UTF8);
    }
}

class SqliteStatement final : public TKVL_DirectStatement {
public:
    explicit SqliteStatement(sqlite3_stmt* stmt) : statement_(stmt) {}
    ~SqliteStatement() override { sqlite3_finalize(statement_); }
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool Execute(const std::vector<TKVL_SlotValue>& values) override {
        // one parameter per slot, in order: what the statement's text gives when no name repeats
        if (sqlite3_bind_parameter_count(statement_) != static_cast<int>(values.size())) return false;
        for (const TKVL_SlotValue& v : values)
            if (!v.Null && v.Kind != TKVL_SlotKind::Integer && v.Kind != TKVL_SlotKind::Real && !v.Text)
                return false;
        for (size_t i = 0; i < values.size(); ++i) {
            if (bindOne(statement_, static_cast<int>(i + 1), values[i]) != SQLITE_OK)
                throw EKVL_DatabaseError(sqlite3_errmsg(sqlite3_db_handle(statement_)));
        }
        const int rc = sqlite3_step(statement_);
        // the message goes with the reset; the texts stay bound until the next row binds its own,
        // and nothing reads them before
        std::string error = rc == SQLITE_DONE || rc == SQLITE_ROW
                                ? std::string()
                                : sqlite3_errmsg(sqlite3_db_handle(statement_));
        sqlite3_reset(statement_);
        if (!error.empty()) throw EKVL_DatabaseError(error);
        return true;
    }

private:
    sqlite3_stmt* statement_;
};

} // namespace

std::unique_ptr<TKVL_DirectStatement> KVL_SqlitePrepare(soci::session& session, const std::string& sql) {
    sqlite3* db = handleOf(session);
    if (!db) return nullptr;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK ||
        !stmt) {
        sqlite3_finalize(stmt);
        return nullptr;
    }
    return std::make_unique<SqliteStatement>(stmt);
}

} // namespace kvl
