#include "MariadbStatement.h"

#include "../SqlParams.h"
#include "MariadbDriver.h"

#include <mysql.h>

#include <cstring>

namespace kvl {

TKVL_MariadbStatement::TKVL_MariadbStatement(MYSQL_STMT* statement, size_t params)
    : statement_(statement), params_(params), lengths_(params), binds_(params * sizeof(MYSQL_BIND)) {}

TKVL_MariadbStatement::~TKVL_MariadbStatement() {
    // the server is not waited for: closing a statement has no answer
    mysql_stmt_close(statement_);
}

bool TKVL_MariadbStatement::Execute(const std::vector<TKVL_SlotValue>& values) {
    if (values.size() != params_) return false;
    if (params_ == 0) {
        if (mysql_stmt_execute(statement_))
            throw EKVL_MariadbError(mysql_stmt_error(statement_), mysql_stmt_errno(statement_));
        return true;
    }
    auto* binds = reinterpret_cast<MYSQL_BIND*>(binds_.data());
    std::memset(binds, 0, binds_.size());
    for (size_t i = 0; i < params_; ++i) {
        const TKVL_SlotValue& v = values[i];
        MYSQL_BIND& b = binds[i];
        if (v.Null) {
            b.buffer_type = MYSQL_TYPE_NULL;
            continue;
        }
        switch (v.Kind) {
        case TKVL_SlotKind::Integer:
            b.buffer_type = MYSQL_TYPE_LONGLONG;
            b.buffer = const_cast<long long*>(&v.Integer);
            break;
        case TKVL_SlotKind::Real:
            b.buffer_type = MYSQL_TYPE_DOUBLE;
            b.buffer = const_cast<double*>(&v.Real);
            break;
        case TKVL_SlotKind::TmValue:
            return false;
        default:
            if (!v.Text) return false;
            b.buffer_type = MYSQL_TYPE_STRING;
            b.buffer = const_cast<char*>(v.Text->data());
            b.buffer_length = static_cast<unsigned long>(v.Text->size());
            lengths_[i] = b.buffer_length;
            b.length = &lengths_[i];
            break;
        }
    }
    if (mysql_stmt_bind_param(statement_, binds) || mysql_stmt_execute(statement_))
        throw EKVL_MariadbError(mysql_stmt_error(statement_), mysql_stmt_errno(statement_));
    return true;
}

std::unique_ptr<TKVL_DirectStatement> KVL_MariadbPrepare(soci::session& session, const std::string& sql) {
    MYSQL* conn = KVL_MariadbHandle(session);
    if (!conn) return nullptr;
    MYSQL_STMT* statement = mysql_stmt_init(conn);
    if (!statement) return nullptr;
    const std::string text = SqlWithPositionalParams(sql);
    // a statement with a result goes through the client library, which reads the rows
    if (mysql_stmt_prepare(statement, text.c_str(), static_cast<unsigned long>(text.size())) ||
        mysql_stmt_field_count(statement) != 0) {
        mysql_stmt_close(statement);
        return nullptr;
    }
    return std::make_unique<TKVL_MariadbStatement>(statement, mysql_stmt_param_count(statement));
}

} // namespace kvl
