#include "FirebirdStatement.h"

#include "../SqlParams.h"
#include "FirebirdSession.h"
#include "base/DateTime.h"
#include "base/Exceptions.h"
#include "base/Format.h"
#include "base/SysUtils.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <new>

namespace kvl {

namespace {

void check(const ISC_STATUS* status) {
    if (status[0] == 1 && status[1]) KVL_FirebirdThrow(status);
}

short baseType(const XSQLVAR& var) {
    return static_cast<short>(var.sqltype & ~1);
}

bool integral(short type) {
    return type == SQL_SHORT || type == SQL_LONG || type == SQL_INT64;
}

// The longest text a parameter descriptor can carry; a longer one cannot fit any column but a BLOB.
constexpr size_t longestText = 32767;
// What one call hands to a BLOB or takes from it.
constexpr unsigned short segmentSize = 32768;

std::string dateTimeText(const std::tm& tm) {
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, date)) date = 0;
    TryEncodeTime(tm.tm_hour, tm.tm_min, tm.tm_sec, 0, time);
    return DateTimeToStr(ComposeDateTime(date, time));
}

template <class T> T read(const char* data) {
    T value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

std::string numberText(long long value, short scale) {
    if (scale >= 0) return IntToStr(value);
    // a scaled number is read as a floating point one, as the client library's rows give it
    return FloatToStr(static_cast<double>(value) / std::pow(10.0, -scale));
}

} // namespace

TKVL_FirebirdStatement::Descriptor TKVL_FirebirdStatement::newDescriptor(short count) {
    count = std::max<short>(count, 1);
    auto* descriptor = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(count)));
    if (!descriptor) throw std::bad_alloc();
    descriptor->version = SQLDA_VERSION1;
    descriptor->sqln = count;
    return Descriptor(descriptor);
}

TKVL_FirebirdStatement::TKVL_FirebirdStatement(TKVL_FirebirdSession& session, const std::string& sql)
    : session_(session) {
    ISC_STATUS_ARRAY status{};
    isc_dsql_allocate_statement(status, session_.Database(), &handle_);
    check(status);
    try {
        const std::string text = SqlWithPositionalParams(sql);
        out_ = newDescriptor(1);
        isc_dsql_prepare(status, session_.Transaction(), &handle_, 0, text.c_str(), SQL_DIALECT_V6,
                         out_.get());
        check(status);
        describe();
    } catch (...) {
        ISC_STATUS_ARRAY ignored{};
        isc_dsql_free_statement(ignored, &handle_, DSQL_drop);
        throw;
    }
}

TKVL_FirebirdStatement::~TKVL_FirebirdStatement() {
    if (abandoned_) return;
    ISC_STATUS_ARRAY status{};
    isc_dsql_free_statement(status, &handle_, DSQL_drop);
}

void TKVL_FirebirdStatement::describe() {
    ISC_STATUS_ARRAY status{};
    if (out_->sqld > out_->sqln) {
        out_ = newDescriptor(out_->sqld);
        isc_dsql_describe(status, &handle_, SQLDA_VERSION1, out_.get());
        check(status);
    }
    in_ = newDescriptor(1);
    isc_dsql_describe_bind(status, &handle_, SQLDA_VERSION1, in_.get());
    check(status);
    if (in_->sqld > in_->sqln) {
        in_ = newDescriptor(in_->sqld);
        isc_dsql_describe_bind(status, &handle_, SQLDA_VERSION1, in_.get());
        check(status);
    }
    described_.assign(in_->sqlvar, in_->sqlvar + in_->sqld);
    cells_.assign(described_.size(), Cell{});
    for (size_t i = 0; i < cells_.size(); ++i)
        cells_[i].spare.assign(
            static_cast<size_t>(std::max<short>(described_[i].sqllen, 0)) + sizeof(ISC_INT64), 0);

    char item = isc_info_sql_stmt_type;
    char info[16] = {};
    isc_dsql_sql_info(status, &handle_, 1, &item, sizeof info, info);
    check(status);
    if (info[0] == isc_info_sql_stmt_type) {
        const auto length = static_cast<short>(isc_vax_integer(info + 1, 2));
        type_ = static_cast<int>(isc_vax_integer(info + 3, length));
    }
    prepareOutput();
}

void TKVL_FirebirdStatement::prepareOutput() {
    const auto count = static_cast<size_t>(out_->sqld);
    buffers_.assign(count, {});
    nulls_.assign(count, 0);
    for (size_t i = 0; i < count; ++i) {
        XSQLVAR& var = out_->sqlvar[i];
        size_t size = static_cast<size_t>(std::max<short>(var.sqllen, 0));
        if (baseType(var) == SQL_VARYING) size += sizeof(short);
        buffers_[i].assign(std::max(size, sizeof(ISC_INT64)), 0);
        var.sqldata = buffers_[i].data();
        var.sqlind = &nulls_[i];
    }
}

void TKVL_FirebirdStatement::bind(const std::vector<TKVL_SlotValue>& values) {
    if (values.size() != described_.size())
        throw EKVL_DatabaseError(
            Format("The statement has %d parameters, but %d values were given.",
                   {static_cast<int>(described_.size()), static_cast<int>(values.size())}));
    for (size_t i = 0; i < values.size(); ++i) {
        in_->sqlvar[i] = described_[i];
        bindOne(i, values[i]);
    }
}

void TKVL_FirebirdStatement::bindText(XSQLVAR& var, const std::string& text, bool keepCharset) {
    // The value is sent as it is, of its own length; the server converts it to the parameter's
    // type ("TRUE" and "FALSE" to BOOLEAN) and refuses a text too long for its column.
    var.sqltype = SQL_TEXT | 1;
    var.sqllen = static_cast<ISC_SHORT>(std::min(text.size(), longestText));
    var.sqlscale = 0;
    if (!keepCharset) var.sqlsubtype = 0;
    var.sqldata = const_cast<char*>(text.data());
}

void TKVL_FirebirdStatement::bindOne(size_t index, const TKVL_SlotValue& value) {
    XSQLVAR& var = in_->sqlvar[index];
    Cell& cell = cells_[index];
    const short type = baseType(var);
    var.sqlind = &cell.null;
    // A parameter for a NOT NULL column is not described as nullable, and the server reads the
    // NULL flag of nullable ones only: marked so, a NULL reaches the server, which refuses it.
    var.sqltype = static_cast<short>(type | 1);
    if (value.Null) {
        // of the described type, with room for its longest value, as nothing of it is read
        cell.null = -1;
        var.sqldata = cell.spare.data();
        return;
    }
    cell.null = 0;
    switch (value.Kind) {
    case TKVL_SlotKind::Integer:
        if (type == SQL_BLOB) {
            writeBlob(cell, std::to_string(value.Integer));
            return;
        }
        cell.integer = value.Integer;
        var.sqltype = SQL_INT64 | 1;
        var.sqllen = sizeof(ISC_INT64);
        var.sqlscale = 0;
        var.sqlsubtype = 0;
        var.sqldata = reinterpret_cast<char*>(&cell.integer);
        return;
    case TKVL_SlotKind::Real:
        if (integral(type) && var.sqlscale < 0) {
            // scaled as the client library does it, rounding half away from zero
            const double scaled = value.Real * std::pow(10.0, -var.sqlscale);
            cell.integer = static_cast<ISC_INT64>(scaled < 0 ? scaled - 0.5 : scaled + 0.5);
            var.sqltype = SQL_INT64 | 1;
            var.sqllen = sizeof(ISC_INT64);
            var.sqldata = reinterpret_cast<char*>(&cell.integer);
            return;
        }
        cell.real = value.Real;
        var.sqltype = SQL_DOUBLE | 1;
        var.sqllen = sizeof(double);
        var.sqlscale = 0;
        var.sqlsubtype = 0;
        var.sqldata = reinterpret_cast<char*>(&cell.real);
        return;
    case TKVL_SlotKind::TmValue: {
        std::tm tm = value.Tm ? *value.Tm : std::tm{};
        var.sqlscale = 0;
        var.sqlsubtype = 0;
        if (type == SQL_TYPE_DATE) {
            isc_encode_sql_date(&tm, &cell.date);
            var.sqllen = sizeof(ISC_DATE);
            var.sqldata = reinterpret_cast<char*>(&cell.date);
        } else if (type == SQL_TYPE_TIME) {
            isc_encode_sql_time(&tm, &cell.time);
            var.sqllen = sizeof(ISC_TIME);
            var.sqldata = reinterpret_cast<char*>(&cell.time);
        } else {
            isc_encode_timestamp(&tm, &cell.timestamp);
            var.sqltype = SQL_TIMESTAMP | 1;
            var.sqllen = sizeof(ISC_TIMESTAMP);
            var.sqldata = reinterpret_cast<char*>(&cell.timestamp);
        }
        return;
    }
    default:
        break;
    }
    static const std::string none;
    const std::string& text = value.Text ? *value.Text : none;
    if (type == SQL_BLOB) {
        writeBlob(cell, text);
        return;
    }
    bindText(var, text, type == SQL_TEXT || type == SQL_VARYING);
}

void TKVL_FirebirdStatement::writeBlob(Cell& cell, const std::string& data) {
    XSQLVAR& var = in_->sqlvar[static_cast<size_t>(&cell - cells_.data())];
    ISC_STATUS_ARRAY status{};
    isc_blob_handle blob = 0;
    cell.blob = ISC_QUAD{};
    isc_create_blob2(status, session_.Database(), session_.Transaction(), &blob, &cell.blob, 0, nullptr);
    check(status);
    for (size_t at = 0; at < data.size(); at += segmentSize) {
        const auto length = static_cast<unsigned short>(std::min<size_t>(segmentSize, data.size() - at));
        isc_put_segment(status, &blob, length, data.data() + at);
        if (status[0] == 1 && status[1]) {
            ISC_STATUS_ARRAY ignored{};
            isc_cancel_blob(ignored, &blob);
            KVL_FirebirdThrow(status);
        }
    }
    isc_close_blob(status, &blob);
    check(status);
    var.sqltype = SQL_BLOB | 1;
    var.sqllen = sizeof(ISC_QUAD);
    var.sqlscale = 0;
    var.sqldata = reinterpret_cast<char*>(&cell.blob);
}

void TKVL_FirebirdStatement::run() {
    ISC_STATUS_ARRAY status{};
    XSQLDA* in = in_->sqld > 0 ? in_.get() : nullptr;
    if (type_ == isc_info_sql_stmt_exec_procedure && out_->sqld > 0)
        isc_dsql_execute2(status, session_.Transaction(), &handle_, SQLDA_VERSION1, in, out_.get());
    else
        isc_dsql_execute(status, session_.Transaction(), &handle_, SQLDA_VERSION1, in);
    check(status);
}

bool TKVL_FirebirdStatement::Execute(const std::vector<TKVL_SlotValue>& values) {
    CloseCursor();
    bind(values);
    run();
    if (type_ == isc_info_sql_stmt_select || type_ == isc_info_sql_stmt_select_for_upd) {
        cursorOpen_ = true;
        CloseCursor();
    }
    return true;
}

bool TKVL_FirebirdStatement::Open(const std::vector<TKVL_SlotValue>& values) {
    CloseCursor();
    bind(values);
    run();
    if (type_ == isc_info_sql_stmt_select || type_ == isc_info_sql_stmt_select_for_upd) {
        cursorOpen_ = true;
        return Fetch();
    }
    // a procedure's one row of results, or none
    return type_ == isc_info_sql_stmt_exec_procedure && out_->sqld > 0;
}

bool TKVL_FirebirdStatement::Fetch() {
    if (!cursorOpen_) return false;
    ISC_STATUS_ARRAY status{};
    const ISC_STATUS result = isc_dsql_fetch(status, &handle_, SQLDA_VERSION1, out_.get());
    if (result == 100) return false;
    check(status);
    return true;
}

void TKVL_FirebirdStatement::CloseCursor() {
    if (!cursorOpen_ || abandoned_) return;
    cursorOpen_ = false;
    // a cursor that its transaction's end already closed says so; nothing is lost
    ISC_STATUS_ARRAY status{};
    isc_dsql_free_statement(status, &handle_, DSQL_close);
}

int TKVL_FirebirdStatement::FieldCount() const {
    return out_ ? out_->sqld : 0;
}

const XSQLVAR& TKVL_FirebirdStatement::field(int index) const {
    if (index < 0 || index >= FieldCount())
        throw EListError(Format("List index out of bounds (%d)", {index}));
    return out_->sqlvar[index];
}

std::string TKVL_FirebirdStatement::FieldName(int index) const {
    const XSQLVAR& var = field(index);
    const auto length = std::clamp<short>(var.aliasname_length, 0, static_cast<short>(sizeof var.aliasname));
    return std::string(var.aliasname, static_cast<size_t>(length));
}

bool TKVL_FirebirdStatement::FieldIsNull(int index) const {
    const XSQLVAR& var = field(index);
    return (var.sqltype & 1) && nulls_[static_cast<size_t>(index)] < 0;
}

std::string TKVL_FirebirdStatement::FieldAsString(int index) const {
    if (FieldIsNull(index)) return std::string();
    const XSQLVAR& var = field(index);
    const char* data = var.sqldata;
    std::tm tm{};
    switch (baseType(var)) {
    case SQL_TEXT:
        return std::string(data, static_cast<size_t>(std::max<short>(var.sqllen, 0)));
    case SQL_VARYING: {
        const auto length = std::clamp<short>(read<short>(data), 0, std::max<short>(var.sqllen, 0));
        return std::string(data + sizeof(short), static_cast<size_t>(length));
    }
    case SQL_SHORT:
        return numberText(read<ISC_SHORT>(data), var.sqlscale);
    case SQL_LONG:
        return numberText(read<ISC_LONG>(data), var.sqlscale);
    case SQL_INT64:
        return numberText(read<ISC_INT64>(data), var.sqlscale);
    case SQL_FLOAT:
        return FloatToStr(read<float>(data));
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return FloatToStr(read<double>(data));
    case SQL_BOOLEAN:
        return read<FB_BOOLEAN>(data) ? "TRUE" : "FALSE";
    case SQL_TYPE_DATE:
        isc_decode_sql_date(reinterpret_cast<const ISC_DATE*>(data), &tm);
        return dateTimeText(tm);
    case SQL_TYPE_TIME:
        isc_decode_sql_time(reinterpret_cast<const ISC_TIME*>(data), &tm);
        return dateTimeText(tm);
    case SQL_TIMESTAMP:
        isc_decode_timestamp(reinterpret_cast<const ISC_TIMESTAMP*>(data), &tm);
        return dateTimeText(tm);
    case SQL_BLOB:
        // binary data reads as nothing, as on the other engines
        return var.sqlsubtype == 1 ? readBlob(read<ISC_QUAD>(data)) : std::string();
    default:
        return std::string();
    }
}

std::string TKVL_FirebirdStatement::readBlob(const ISC_QUAD& id) const {
    ISC_STATUS_ARRAY status{};
    isc_blob_handle blob = 0;
    ISC_QUAD quad = id;
    isc_open_blob2(status, session_.Database(), session_.Transaction(), &blob, &quad, 0, nullptr);
    check(status);
    std::string text;
    std::vector<char> segment(segmentSize);
    for (;;) {
        unsigned short got = 0;
        const ISC_STATUS result = isc_get_segment(status, &blob, &got, segmentSize, segment.data());
        if (result == isc_segstr_eof) break;
        if (result && result != isc_segment) {
            ISC_STATUS_ARRAY ignored{};
            isc_close_blob(ignored, &blob);
            KVL_FirebirdThrow(status);
        }
        text.append(segment.data(), std::min<size_t>(got, segment.size()));
    }
    isc_close_blob(status, &blob);
    return text;
}

} // namespace kvl
