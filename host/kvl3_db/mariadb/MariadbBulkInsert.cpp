#include "MariadbBulkInsert.h"

#include "../FieldType.h"
#include "../soci/SociConnection.h"
#include "MariadbDriver.h"
#include "base/DateTime.h"
#include "base/Exceptions.h"

#include <mysql.h>

#include <charconv>
#include <cmath>

namespace kvl {

TKVL_MariadbBulkInsert::TKVL_MariadbBulkInsert(TKVL_SociConnection& connection, const TKVL_BulkTarget& target)
    : connection_(connection) {
    head_ = "insert into " + target.Table + " (";
    for (size_t i = 0; i < target.Columns.size(); ++i)
        head_ += (i ? ", " : "") + target.Columns[i];
    head_ += ") values ";
    for (int type : target.FieldTypes) {
        kinds_.push_back(connection.Driver().SlotFor(type));
        binary_.push_back(type == ftBlob);
    }
}

MYSQL* TKVL_MariadbBulkInsert::conn() const {
    MYSQL* c = KVL_MariadbHandle(connection_.Session());
    if (!c) throw EKVL_DatabaseError("The session has no MariaDB connection");
    return c;
}

void TKVL_MariadbBulkInsert::nextColumn(int column) {
    if (column != column_ || column_ >= static_cast<int>(kinds_.size()))
        throw EKVL_DatabaseError("Bulk values must come column after column");
    row_ += column_ == 0 ? "(" : ", ";
    ++column_;
}

void TKVL_MariadbBulkInsert::SetNull(int column) {
    nextColumn(column);
    row_ += "NULL";
}

void TKVL_MariadbBulkInsert::SetValue(int column, const TVariant& value) {
    if (value.IsEmpty() || value.IsNull()) return SetNull(column);
    nextColumn(column);
    try {
        putValue(value, static_cast<size_t>(column));
    } catch (const std::exception&) {
        // the statement path tells what is wrong with the value, for its own row
        spoiled_ = true;
        row_ += "NULL";
    }
}

namespace {
std::string textOf(const TVariant& value, TKVL_SlotKind kind) {
    const bool text = value.GetKind() == TVariant::Kind::String;
    switch (kind) {
    case TKVL_SlotKind::DateText:
        return text ? value.String() : IsoDate(value.AsDateTime());
    case TKVL_SlotKind::TimeText:
        return text ? value.String() : IsoTime(value.AsDateTime());
    case TKVL_SlotKind::DateTimeText:
        return text ? value.String() : IsoDateTime(value.AsDateTime());
    case TKVL_SlotKind::GuidText: {
        std::string guid = value.AsString();
        KVL_DropBraces(guid);
        return guid;
    }
    default:
        return value.GetKind() == TVariant::Kind::Boolean ? (value.Boolean() ? "1" : "0") : value.AsString();
    }
}
} // namespace

void TKVL_MariadbBulkInsert::putValue(const TVariant& value, size_t column) {
    char number[32];
    switch (kinds_[column]) {
    case TKVL_SlotKind::Integer: {
        auto end = std::to_chars(number, number + sizeof number, static_cast<long long>(value.AsInt64())).ptr;
        row_.append(number, end);
        return;
    }
    case TKVL_SlotKind::Real: {
        const double v = value.AsDouble();
        if (!std::isfinite(v)) throw EKVL_DatabaseError("not a number the server takes");
        auto end = std::to_chars(number, number + sizeof number, v).ptr;
        row_.append(number, end);
        return;
    }
    default:
        break;
    }
    const std::string text = textOf(value, kinds_[column]);
    if (!binary_[column]) return putQuoted(text);
    // binary data as hex, which no character set reads
    static const char digits[] = "0123456789abcdef";
    row_ += "x'";
    for (unsigned char c : text) {
        row_ += digits[c >> 4];
        row_ += digits[c & 15];
    }
    row_ += '\'';
}

void TKVL_MariadbBulkInsert::putQuoted(const std::string& text) {
    scratch_.resize(text.size() * 2 + 1);
    const unsigned long n = mysql_real_escape_string(conn(), scratch_.data(), text.data(),
                                                     static_cast<unsigned long>(text.size()));
    row_ += '\'';
    row_.append(scratch_.data(), n);
    row_ += '\'';
}

void TKVL_MariadbBulkInsert::AddRow() {
    if (column_ != static_cast<int>(kinds_.size()))
        throw EKVL_DatabaseError("A bulk row needs a value for every column");
    row_ += ')';
    if (statements_.empty() || statements_.back().size() + row_.size() > StatementLimit)
        statements_.push_back(head_);
    else
        statements_.back() += ", ";
    statements_.back() += row_;
    row_.clear();
    column_ = 0;
    ++pending_;
}

bool TKVL_MariadbBulkInsert::run(const std::string& sql) {
    MYSQL* c = conn();
    if (mysql_real_query(c, sql.data(), static_cast<unsigned long>(sql.size())) == 0) return true;
    const unsigned number = mysql_errno(c);
    refusal_ = KVL_MariadbCleanMessage(mysql_error(c));
    if (KVL_MariadbLostError(number)) {
        connection_.MarkLost();
        throw EKVL_ConnectionLost(refusal_);
    }
    return false;
}

bool TKVL_MariadbBulkInsert::Send() {
    refusal_.clear();
    if (pending_ == 0) return true;
    if (spoiled_) {
        reset();
        refusal_ = "A value does not fit its column.";
        return false;
    }
    // one statement is undone alone by the server; several need a savepoint to go back to
    const bool guarded = statements_.size() > 1;
    bool landed = !guarded || run("savepoint kvl_batch");
    for (size_t i = 0; landed && i < statements_.size(); ++i)
        landed = run(statements_[i]);
    reset();
    if (!guarded) return landed;
    if (landed) return run("release savepoint kvl_batch");
    const std::string refusal = refusal_;
    run("rollback to savepoint kvl_batch");
    refusal_ = refusal;
    return false;
}

void TKVL_MariadbBulkInsert::reset() {
    statements_.clear();
    row_.clear();
    column_ = 0;
    pending_ = 0;
    spoiled_ = false;
}

void TKVL_MariadbBulkInsert::Discard() {
    reset();
}

void TKVL_MariadbBulkInsert::CommitAndBegin() {
    if (pending_ > 0) throw EKVL_DatabaseError("Bulk rows are still pending at a commit");
    if (run("commit") && run("begin")) {
        connection_.SetInTransaction(true);
        return;
    }
    connection_.SetInTransaction(false);
    throw EKVL_DatabaseError(refusal_);
}

} // namespace kvl
