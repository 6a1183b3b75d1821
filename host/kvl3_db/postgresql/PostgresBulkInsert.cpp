#include "PostgresBulkInsert.h"

#include "../soci/SociConnection.h"
#include "PostgresDriver.h"
#include "base/DateTime.h"
#include "base/Exceptions.h"

#include <libpq-fe.h>

#include <bit>
#include <charconv>
#include <cstring>
#include <limits>

namespace kvl {

namespace {

// Above this the encoded rows go to the server while the batch is still being added. Small
// pieces keep the server busy from early in a batch and leave it little to finish at its end,
// when the run waits for the answer; the first piece is the smallest, so that the server starts
// on a batch as soon as it can.
constexpr size_t FirstPiece = 8 << 10;
constexpr size_t StreamPiece = 32 << 10;

const char BinaryHeader[] = "PGCOPY\n\377\r\n\0\0\0\0\0\0\0\0\0";
constexpr size_t BinaryHeaderSize = 19;

// pg_type oids of the types whose binary form is written here
enum : Oid {
    BoolOid = 16,
    ByteaOid = 17,
    Int8Oid = 20,
    Int2Oid = 21,
    Int4Oid = 23,
    TextOid = 25,
    Float8Oid = 701,
    BpcharOid = 1042,
    VarcharOid = 1043,
};

void putBig(std::string& out, uint64_t value, int bytes) {
    char big[8];
    for (int i = 0; i < bytes; ++i)
        big[i] = static_cast<char>((value >> ((bytes - 1 - i) * 8)) & 0xff);
    out.append(big, static_cast<size_t>(bytes));
}

// A field of the binary form: its length, then the number in network order.
template <int Bytes> void putField(std::string& out, uint64_t value) {
    char field[4 + Bytes] = {0, 0, 0, Bytes};
    for (int i = 0; i < Bytes; ++i)
        field[4 + i] = static_cast<char>((value >> ((Bytes - 1 - i) * 8)) & 0xff);
    out.append(field, sizeof field);
}

// The text form of COPY reads a backslash, tab and line end as its own marks.
void putEscaped(std::string& out, const char* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        const char c = data[i];
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

// A statement parameter ends at its first nul byte; the rows of COPY end their texts there too,
// so both paths store the same value.
size_t textLength(const std::string& text) {
    const void* nul = std::memchr(text.data(), 0, text.size());
    return nul ? static_cast<size_t>(static_cast<const char*>(nul) - text.data()) : text.size();
}

void hexOf(std::string& out, const std::string& data) {
    static const char digits[] = "0123456789abcdef";
    out += "\\\\x"; // a backslash of the value is doubled in the text form
    for (unsigned char c : data) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
}

template <typename Number> void putNumber(std::string& out, Number value) {
    char digits[32];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

// The text a statement parameter of this kind would carry, as the row isolation sends it.
const std::string& textOf(const TVariant& value, TKVL_SlotKind kind, std::string& scratch) {
    switch (kind) {
    case TKVL_SlotKind::DateText:
        if (value.GetKind() == TVariant::Kind::String) return value.String();
        return scratch = IsoDate(value.AsDateTime());
    case TKVL_SlotKind::TimeText:
        if (value.GetKind() == TVariant::Kind::String) return value.String();
        return scratch = IsoTime(value.AsDateTime());
    case TKVL_SlotKind::DateTimeText:
    case TKVL_SlotKind::TmValue:
        if (value.GetKind() == TVariant::Kind::String) return value.String();
        return scratch = IsoDateTime(value.AsDateTime());
    case TKVL_SlotKind::BooleanText:
        return scratch = value.AsBoolean() ? "TRUE" : "FALSE";
    default:
        if (value.GetKind() == TVariant::Kind::Boolean) return scratch = value.Boolean() ? "1" : "0";
        if (value.GetKind() == TVariant::Kind::String) return value.String();
        return scratch = value.AsString();
    }
}

std::string drain(PGconn* conn) {
    std::string error;
    while (PGresult* r = PQgetResult(conn)) {
        if (PQresultStatus(r) == PGRES_FATAL_ERROR && error.empty()) error = PQresultErrorMessage(r);
        PQclear(r);
    }
    return error;
}

} // namespace

TKVL_PostgresBulkInsert::TKVL_PostgresBulkInsert(TKVL_SociConnection& connection,
                                                 const TKVL_BulkTarget& target)
    : connection_(connection) {
    for (int type : target.FieldTypes)
        kinds_.push_back(connection_.Driver().SlotFor(type));
    describe(target);
    std::string columns;
    for (const auto& c : target.Columns)
        columns += (columns.empty() ? "" : ", ") + c;
    copySql_ = "copy " + target.Table + " (" + columns + ") from stdin" + (binary_ ? " (format binary)" : "");
    buffer_.reserve(StreamPiece + 4096);
}

TKVL_PostgresBulkInsert::~TKVL_PostgresBulkInsert() {
    if (!copying_ && !inSavepoint_) return;
    if (connection_.Lost() || !connection_.Connected()) return;
    try {
        Discard();
    } catch (...) {
        // the table ends with the failure that got here
    }
}

PGconn* TKVL_PostgresBulkInsert::conn() const {
    return KVL_PostgresHandle(connection_.Session());
}

void TKVL_PostgresBulkInsert::describe(const TKVL_BulkTarget& target) {
    // Asking inside the run's transaction would abort it on a failure: the text form serves then.
    if (connection_.InTransaction() || target.Columns.empty()) return;
    std::string columns;
    for (const auto& c : target.Columns)
        columns += (columns.empty() ? "" : ", ") + c;
    PGresult* r = PQexec(conn(), ("select " + columns + " from " + target.Table + " limit 0").c_str());
    const bool ok = PQresultStatus(r) == PGRES_TUPLES_OK && PQnfields(r) == static_cast<int>(kinds_.size());
    std::vector<Wire> wires;
    for (int i = 0; ok && i < PQnfields(r); ++i) {
        const TKVL_SlotKind kind = kinds_[static_cast<size_t>(i)];
        const bool integer = kind == TKVL_SlotKind::Integer;
        Wire wire = Wire::Text;
        switch (PQftype(r, i)) {
        case Int2Oid:
            if (integer) wire = Wire::Int2;
            break;
        case Int4Oid:
            if (integer) wire = Wire::Int4;
            break;
        case Int8Oid:
            if (integer) wire = Wire::Int8;
            break;
        case BoolOid:
            if (integer) wire = Wire::Bool;
            break;
        case Float8Oid:
            if (kind == TKVL_SlotKind::Real) wire = Wire::Float8;
            break;
        case TextOid:
        case VarcharOid:
        case BpcharOid:
            if (kind == TKVL_SlotKind::Text) wire = Wire::Bytes;
            break;
        case ByteaOid:
            if (kind == TKVL_SlotKind::HexText) wire = Wire::Bytes;
            break;
        default:
            break;
        }
        if (wire == Wire::Text) break;
        wires.push_back(wire);
    }
    PQclear(r);
    if (!ok || wires.size() != kinds_.size()) return;
    wires_ = std::move(wires);
    binary_ = true;
}

void TKVL_PostgresBulkInsert::nextColumn(int column) {
    if (column != column_ || column_ >= static_cast<int>(kinds_.size()))
        throw EKVL_DatabaseError("Bulk values must be given column by column");
    if (column_ == 0) {
        if (binary_ && pending_ == 0 && !copying_ && buffer_.empty())
            buffer_.append(BinaryHeader, BinaryHeaderSize);
        if (binary_) putBig(buffer_, kinds_.size(), 2);
    } else if (!binary_) {
        buffer_ += '\t';
    }
    ++column_;
}

void TKVL_PostgresBulkInsert::SetNull(int column) {
    nextColumn(column);
    if (binary_)
        putBig(buffer_, 0xffffffffu, 4);
    else
        buffer_ += "\\N";
}

void TKVL_PostgresBulkInsert::SetValue(int column, const TVariant& value) {
    if (value.IsEmpty() || value.IsNull()) return SetNull(column);
    nextColumn(column);
    const auto at = static_cast<size_t>(column);
    try {
        if (binary_)
            putBinary(value, kinds_[at], wires_[at]);
        else
            putText(value, kinds_[at]);
    } catch (const std::exception&) {
        // the statement path tells what is wrong with the value, for its own row
        spoiled_ = true;
    }
}

void TKVL_PostgresBulkInsert::putText(const TVariant& value, TKVL_SlotKind kind) {
    switch (kind) {
    case TKVL_SlotKind::Integer:
        putNumber(buffer_, static_cast<long long>(value.AsInt64()));
        return;
    case TKVL_SlotKind::Real:
        putNumber(buffer_, value.AsDouble());
        return;
    case TKVL_SlotKind::HexText:
        hexOf(buffer_, textOf(value, kind, scratch_));
        return;
    default: {
        const std::string& text = textOf(value, kind, scratch_);
        putEscaped(buffer_, text.data(), textLength(text));
    }
    }
}

void TKVL_PostgresBulkInsert::putBinary(const TVariant& value, TKVL_SlotKind kind, Wire wire) {
    // A value the server would not read from its text either is left to the statement path,
    // which gives the server's own words for it.
    auto integerIn = [&]<int Bytes>(int64_t low, int64_t high) {
        const int64_t v = value.AsInt64();
        if (v < low || v > high) spoiled_ = true;
        putField<Bytes>(buffer_, static_cast<uint64_t>(v));
    };
    switch (wire) {
    case Wire::Int2:
        return integerIn.operator()<2>(std::numeric_limits<int16_t>::min(),
                                       std::numeric_limits<int16_t>::max());
    case Wire::Int4:
        return integerIn.operator()<4>(std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max());
    case Wire::Int8:
        return integerIn.operator()<8>(std::numeric_limits<int64_t>::min(),
                                       std::numeric_limits<int64_t>::max());
    case Wire::Bool:
        return integerIn.operator()<1>(0, 1);
    case Wire::Float8:
        putField<8>(buffer_, std::bit_cast<uint64_t>(value.AsDouble()));
        return;
    case Wire::Bytes:
    case Wire::Text: {
        const std::string& text = textOf(value, kind, scratch_);
        const size_t size = kind == TKVL_SlotKind::HexText ? text.size() : textLength(text);
        putBytes(text.data(), size);
    }
    }
}

void TKVL_PostgresBulkInsert::putBytes(const char* data, size_t size) {
    if (size > static_cast<size_t>(std::numeric_limits<int32_t>::max())) spoiled_ = true;
    putBig(buffer_, size, 4);
    buffer_.append(data, size);
}

void TKVL_PostgresBulkInsert::AddRow() {
    if (column_ != static_cast<int>(kinds_.size()))
        throw EKVL_DatabaseError("A bulk row needs a value for every column");
    if (!binary_) buffer_ += '\n';
    column_ = 0;
    ++pending_;
    if (buffer_.size() >= (copying_ ? StreamPiece : FirstPiece)) flush();
}

void TKVL_PostgresBulkInsert::fail(const std::string& error) {
    const std::string message = KVL_PostgresCleanMessage(error);
    PGconn* c = KVL_PostgresHandle(connection_.Session());
    if (!c || PQstatus(c) == CONNECTION_BAD) {
        copying_ = false;
        inSavepoint_ = false;
        connection_.MarkLost();
        throw EKVL_ConnectionLost(message);
    }
    throw EKVL_DatabaseError(message);
}

void TKVL_PostgresBulkInsert::startCopy() {
    PGconn* c = conn();
    const bool inTransaction = connection_.InTransaction();
    // rows that the row isolation did not see could not be sent again by it
    if (inTransaction && connection_.Isolation()) connection_.Isolation()->Unreplayable();
    std::string sql;
    int before = 0; // commands ahead of the savepoint
    if (keptSavepoint_ && keptSerial_ == connection_.TransactionSerial()) {
        sql = "release savepoint kvl_bulk; ";
        before = 1;
    }
    keptSavepoint_ = false;
    if (inTransaction) sql += "savepoint kvl_bulk; ";
    sql += copySql_;
    if (!PQsendQuery(c, sql.c_str())) fail(PQerrorMessage(c));
    int done = 0;
    std::string error;
    while (PGresult* r = PQgetResult(c)) {
        const ExecStatusType status = PQresultStatus(r);
        if (status == PGRES_COMMAND_OK) ++done;
        if (status == PGRES_FATAL_ERROR && error.empty()) error = PQresultErrorMessage(r);
        PQclear(r);
        if (status == PGRES_COPY_IN) {
            copying_ = true;
            break;
        }
    }
    inSavepoint_ = inTransaction && done > before;
    if (copying_) return;
    if (PQstatus(c) == CONNECTION_BAD) fail(error.empty() ? PQerrorMessage(c) : error);
    // the COPY itself was refused (a missing column, say): the rows go one by one
    refusal_ = KVL_PostgresCleanMessage(error);
    spoiled_ = true;
}

void TKVL_PostgresBulkInsert::flush() {
    if (spoiled_) {
        buffer_.clear();
        return;
    }
    if (!copying_) startCopy();
    if (!copying_) {
        buffer_.clear();
        return;
    }
    PGconn* c = conn();
    if (!buffer_.empty() && PQputCopyData(c, buffer_.data(), static_cast<int>(buffer_.size())) != 1)
        fail(PQerrorMessage(c));
    buffer_.clear();
}

bool TKVL_PostgresBulkInsert::finishCopy() {
    if (binary_) putBig(buffer_, 0xffff, 2);
    flush();
    if (!copying_) return false;
    PGconn* c = conn();
    if (PQputCopyEnd(c, nullptr) != 1) fail(PQerrorMessage(c));
    copying_ = false;
    const std::string error = drain(c);
    if (error.empty()) return true;
    if (PQstatus(c) == CONNECTION_BAD) fail(error);
    refusal_ = KVL_PostgresCleanMessage(error);
    return false;
}

void TKVL_PostgresBulkInsert::abortCopy() {
    if (!copying_) return;
    PGconn* c = conn();
    copying_ = false;
    if (PQputCopyEnd(c, "rows withdrawn") != 1) fail(PQerrorMessage(c));
    drain(c);
    if (PQstatus(c) == CONNECTION_BAD) fail(PQerrorMessage(c));
}

void TKVL_PostgresBulkInsert::undoBatch() {
    if (!inSavepoint_) return;
    inSavepoint_ = false;
    PGconn* c = conn();
    PGresult* r = PQexec(c, "rollback to savepoint kvl_bulk; release savepoint kvl_bulk");
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    const std::string error = ok ? std::string() : PQresultErrorMessage(r);
    PQclear(r);
    if (!ok) fail(error.empty() ? PQerrorMessage(c) : error);
}

bool TKVL_PostgresBulkInsert::Send() {
    if (pending_ == 0 && !copying_) return true;
    refusal_.clear();
    bool landed = false;
    if (!spoiled_) {
        if (!copying_) startCopy();
        landed = !spoiled_ && finishCopy();
    }
    if (spoiled_) abortCopy();
    if (!landed && refusal_.empty()) refusal_ = "A value does not fit its column.";
    buffer_.clear();
    column_ = 0;
    pending_ = 0;
    spoiled_ = false;
    if (landed) {
        keptSavepoint_ = inSavepoint_;
        keptSerial_ = connection_.TransactionSerial();
        inSavepoint_ = false;
        return true;
    }
    undoBatch();
    return false;
}

void TKVL_PostgresBulkInsert::Discard() {
    abortCopy();
    undoBatch();
    buffer_.clear();
    column_ = 0;
    pending_ = 0;
    spoiled_ = false;
}

void TKVL_PostgresBulkInsert::CommitAndBegin() {
    if (copying_ || pending_ > 0) throw EKVL_DatabaseError("Bulk rows are still pending at a commit");
    PGconn* c = conn();
    PGresult* r = PQexec(c, "commit; begin");
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    const std::string error = ok ? std::string() : PQresultErrorMessage(r);
    PQclear(r);
    keptSavepoint_ = false;
    if (ok) {
        connection_.SetInTransaction(true);
        return;
    }
    connection_.SetInTransaction(false);
    fail(error.empty() ? PQerrorMessage(c) : error);
}

} // namespace kvl
