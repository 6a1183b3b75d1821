#include "SociQuery.h"

#include "../SqlParams.h"
#include "DirectStatement.h"
#include "SociConnection.h"
#include "base/DateTime.h"
#include "base/Exceptions.h"
#include "base/Format.h"
#include "base/IsoText.h"
#include "base/SysUtils.h"

#include <soci/soci.h>

#include <charconv>
#include <iterator>
#include <sstream>

namespace kvl {

TKVL_SociQuery::TKVL_SociQuery(TKVL_SociConnection& connection) : connection_(connection) {
    connection_.Register(this);
}

TKVL_SociQuery::~TKVL_SociQuery() {
    connection_.Unregister(this);
    try {
        Unprepare();
    } catch (...) {
        // freeing a statement of a lost connection may fail; nothing to save
    }
}

TKVL_SociQuery::Slot& TKVL_SociQuery::slot(int index) {
    if (index < 0 || index >= ParamCount())
        throw EListError(Format("List index out of bounds (%d)", {index}));
    return slots_[static_cast<size_t>(index)];
}

const TKVL_SociQuery::Slot& TKVL_SociQuery::slot(int index) const {
    return const_cast<TKVL_SociQuery*>(this)->slot(index);
}

void TKVL_SociQuery::Prepare() {
    ensurePrepared(false);
}

void TKVL_SociQuery::ensurePrepared(bool forQuery) {
    // the text is only rebuilt when the lines changed: a statement runs once per row
    if (Prepared() && SQL().ChangeCount() == preparedChange_ && forQuery == forQuery_) return;
    std::string text = SQL().Text();
    if (Prepared() && text == preparedText_ && forQuery == forQuery_) return;
    bool sameText = Prepared() && text == preparedText_;
    std::vector<Slot> kept;
    if (sameText) kept = std::move(slots_);
    Unprepare();
    try {
        soci::session& session = connection_.Session();
        if (sameText) {
            slots_ = std::move(kept);
        } else {
            for (auto& name : SqlParamNames(text)) {
                Slot s;
                s.name = std::move(name);
                slots_.push_back(std::move(s));
            }
        }
        if (TKVL_NativeSession* native = connection_.Native()) {
            native_ = native->Prepare(text);
        } else {
            statement_ = std::make_unique<soci::statement>(session);
            statement_->alloc();
            statement_->prepare(text, soci::details::st_repeatable_query);
        }
        preparedText_ = text;
        preparedChange_ = SQL().ChangeCount();
        forQuery_ = forQuery;
    } catch (const std::exception& e) {
        statement_.reset();
        native_.reset();
        slots_.clear();
        connection_.Fail(e);
    }
}

void TKVL_SociQuery::Unprepare() {
    Close();
    if (direct_) {
        if (TKVL_RowIsolation* isolation = connection_.Isolation()) isolation->Forget(*direct_);
        if (connection_.Lost()) direct_->Abandon();
        direct_.reset();
    }
    directTried_ = false;
    if (native_) {
        if (connection_.Lost()) native_->Abandon();
        native_.reset();
    }
    if (statement_) {
        auto st = std::move(statement_);
        bool freed = false;
        try {
            if (!connection_.Lost()) st->clean_up();
            freed = !connection_.Lost();
        } catch (...) {
            // a statement of a server that is gone: let go without it, nothing to save
        }
        if (!freed) connection_.Driver().CloseLost(std::move(st));
    }
    slots_.clear();
    row_.reset();
    bound_ = false;
    preparedText_.clear();
}

std::string TKVL_SociQuery::ParamName(int index) const {
    return slot(index).name;
}

int TKVL_SociQuery::ParamType(int index) const {
    return slot(index).type;
}

void TKVL_SociQuery::SetParamType(int index, int fieldType) {
    Slot& s = slot(index);
    TKVL_SlotKind kind = connection_.Driver().SlotFor(fieldType);
    s.type = fieldType;
    if (kind == s.kind) return;
    s.kind = kind;
    if (bound_) {
        statement_->bind_clean_up();
        bound_ = false;
    }
}

void TKVL_SociQuery::SetParamNull(int index) {
    slot(index).indicator = soci::i_null;
}

namespace {

// A value's text into the slot's own string, whose room is kept from row to row: a fill stores
// one per column and row, and a copy made on the way would cost more than the row's own work.
void storeText(std::string& text, const TVariant& value) {
    switch (value.GetKind()) {
    case TVariant::Kind::String:
        text = value.String();
        break;
    case TVariant::Kind::Boolean:
        text = value.Boolean() ? "1" : "0";
        break;
    default:
        text = value.AsString();
        break;
    }
}

template <void (*Iso)(std::string&, TDateTime)> void storeIso(std::string& text, const TVariant& value) {
    if (value.GetKind() == TVariant::Kind::String)
        text = value.String();
    else
        Iso(text, value.AsDateTime());
}

} // namespace

void KVL_DropBraces(std::string& guid) {
    if (guid.size() < 2 || guid.front() != '{' || guid.back() != '}') return;
    guid.pop_back();
    guid.erase(0, 1);
}

void TKVL_SociQuery::storeValue(Slot& s, const TVariant& value) {
    switch (s.kind) {
    case TKVL_SlotKind::Integer:
        s.integer = value.AsInt64();
        break;
    case TKVL_SlotKind::Real:
        s.real = value.AsDouble();
        break;
    case TKVL_SlotKind::DateText:
        storeIso<AssignIsoDate>(s.text, value);
        break;
    case TKVL_SlotKind::TimeText:
        storeIso<AssignIsoTime>(s.text, value);
        break;
    case TKVL_SlotKind::DateTimeText:
        storeIso<AssignIsoDateTime>(s.text, value);
        break;
    case TKVL_SlotKind::BooleanText:
        s.text = value.AsBoolean() ? "TRUE" : "FALSE";
        break;
    case TKVL_SlotKind::GuidText:
        storeText(s.text, value);
        KVL_DropBraces(s.text);
        break;
    case TKVL_SlotKind::TmValue: {
        TDateParts p = DecodeDateTime(value.AsDateTime());
        s.tm = std::tm{};
        s.tm.tm_year = p.Year - 1900;
        s.tm.tm_mon = p.Month - 1;
        s.tm.tm_mday = p.Day;
        s.tm.tm_hour = p.Hour;
        s.tm.tm_min = p.Minute;
        s.tm.tm_sec = p.Second;
        break;
    }
    case TKVL_SlotKind::Blob:
    case TKVL_SlotKind::HexText:
    case TKVL_SlotKind::Text:
        storeText(s.text, value);
        if (s.kind == TKVL_SlotKind::Blob && s.blob) {
            // trim and append are the operations that every backend implements
            s.blob->trim(0);
            if (!s.text.empty()) s.blob->append(s.text.data(), s.text.size());
        }
        break;
    }
    s.indicator = soci::i_ok;
}

void TKVL_SociQuery::SetParamValue(int index, const TVariant& value) {
    Slot& s = slot(index);
    if (value.IsEmpty() || value.IsNull()) {
        s.indicator = soci::i_null;
        return;
    }
    storeValue(s, value);
}

void TKVL_SociQuery::SetBlobParam(const std::string& name, std::istream& stream) {
    for (int i = 0; i < ParamCount(); ++i) {
        Slot& s = slots_[static_cast<size_t>(i)];
        if (!SameText(s.name, name)) continue;
        std::string data((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
        storeValue(s, TVariant(std::move(data)));
        return;
    }
    throw EKVL_DatabaseError(Format("Parameter \"%s\" not found", {name}));
}

namespace {
std::string hexOf(const std::string& data) {
    static const char digits[] = "0123456789abcdef";
    std::string out = "\\x";
    out.reserve(2 + data.size() * 2);
    for (unsigned char c : data) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}
} // namespace

void TKVL_SociQuery::bind() {
    if (bound_ || native_) return;
    for (auto& s : slots_) {
        auto& ind = s.indicator;
        switch (s.kind) {
        case TKVL_SlotKind::Integer:
            statement_->exchange(soci::use(s.integer, ind));
            break;
        case TKVL_SlotKind::Real:
            statement_->exchange(soci::use(s.real, ind));
            break;
        case TKVL_SlotKind::TmValue:
            statement_->exchange(soci::use(s.tm, ind));
            break;
        case TKVL_SlotKind::Blob:
            if (!s.blob) {
                s.blob = std::make_unique<soci::blob>(connection_.Session());
                if (!s.text.empty()) s.blob->append(s.text.data(), s.text.size());
            }
            statement_->exchange(soci::use(*s.blob, ind));
            break;
        default:
            statement_->exchange(soci::use(s.text, ind));
            break;
        }
    }
    if (forQuery_) {
        row_ = std::make_unique<soci::row>();
        statement_->exchange(soci::into(*row_));
    }
    statement_->define_and_bind();
    bound_ = true;
}

void TKVL_SociQuery::run() {
    connection_.ThrowIfLost();
    if (connection_.AutoStartTransaction() && !connection_.InTransaction() && transaction_)
        transaction_->StartTransaction();
    // Hex text for binary data is made at execution, so the slot keeps the raw bytes.
    std::vector<std::pair<Slot*, std::string>> raw;
    for (auto& s : slots_)
        if (s.kind == TKVL_SlotKind::HexText && s.indicator == soci::i_ok) {
            raw.emplace_back(&s, s.text);
            s.text = hexOf(s.text);
        }
    auto restore = [&raw] {
        for (auto& [s, text] : raw)
            s->text = std::move(text);
    };
    if (native_) {
        runNative();
        return;
    }
    TKVL_RowIsolation* isolation = connection_.InTransaction() ? connection_.Isolation() : nullptr;
    bool guarded =
        connection_.InTransaction() && connection_.Driver().HasFeature(TKVL_DriverFeature::RowSavepoint);
    try {
        if (isolation && !forQuery_ && runIsolated(*isolation)) {
            // done, and written down
        } else if (!isolation && !forQuery_ && runBound()) {
            if (!connection_.InTransaction()) connection_.AfterWorkOutsideTransaction();
        } else {
            // a change the isolation did not see could not be replayed
            if (isolation && !forQuery_) isolation->Unreplayable();
            runThroughClient(guarded);
        }
    } catch (const EKVL_ConnectionLost&) {
        connection_.MarkLost();
        restore();
        throw;
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

bool TKVL_SociQuery::runIsolated(TKVL_RowIsolation& isolation) {
    values_.resize(slots_.size());
    for (size_t i = 0; i < slots_.size(); ++i) {
        Slot& s = slots_[i];
        if (s.indicator != soci::i_ok) {
            values_[i] = nullptr;
            continue;
        }
        // numbers as the server reads them, whatever the user's locale
        if (s.kind == TKVL_SlotKind::Integer || s.kind == TKVL_SlotKind::Real) {
            char buffer[32];
            auto result = s.kind == TKVL_SlotKind::Integer
                              ? std::to_chars(buffer, buffer + sizeof buffer, s.integer)
                              : std::to_chars(buffer, buffer + sizeof buffer, s.real);
            s.text.assign(buffer, result.ptr);
        } else if (s.kind == TKVL_SlotKind::TmValue || s.kind == TKVL_SlotKind::Blob) {
            return false;
        }
        values_[i] = s.text.c_str();
    }
    TKVL_DirectStatement* statement = direct();
    if (!statement || !isolation.Execute(*statement, values_)) return false;
    eof_ = true;
    return true;
}

void TKVL_SociQuery::fillBoundValues() {
    boundValues_.resize(slots_.size());
    for (size_t i = 0; i < slots_.size(); ++i) {
        const Slot& s = slots_[i];
        TKVL_SlotValue& v = boundValues_[i];
        v.Kind = s.kind;
        v.Null = s.indicator != soci::i_ok;
        v.Integer = s.integer;
        v.Real = s.real;
        v.Text = s.kind == TKVL_SlotKind::TmValue ? nullptr : &s.text;
        v.Tm = &s.tm;
    }
}

void TKVL_SociQuery::runNative() {
    fillBoundValues();
    try {
        if (forQuery_) {
            eof_ = !native_->Open(boundValues_);
            return;
        }
        native_->Execute(boundValues_);
        eof_ = true;
    } catch (const std::exception& e) {
        connection_.Fail(e);
    }
    connection_.AfterWorkOutsideTransaction();
}

bool TKVL_SociQuery::runBound() {
    fillBoundValues();
    try {
        TKVL_DirectStatement* statement = direct();
        if (!statement || !statement->Execute(boundValues_)) return false;
    } catch (const std::exception& e) {
        connection_.Fail(e);
    }
    eof_ = true;
    return true;
}

TKVL_DirectStatement* TKVL_SociQuery::direct() {
    if (!directTried_) {
        directTried_ = true;
        direct_ = connection_.Driver().PrepareDirect(connection_.Session(), preparedText_);
    }
    return direct_.get();
}

void TKVL_SociQuery::runThroughClient(bool guarded) {
    try {
        if (guarded) connection_.Session() << "savepoint kvl_row";
        bool got = statement_->execute(true);
        if (guarded) connection_.Session() << "release savepoint kvl_row";
        eof_ = !got;
        if (!forQuery_) connection_.AfterWorkOutsideTransaction();
    } catch (const std::exception& e) {
        if (guarded) {
            try {
                connection_.Session() << "rollback to savepoint kvl_row";
                connection_.Session() << "release savepoint kvl_row";
            } catch (...) {
                // the original error says more than this one
            }
        }
        connection_.Fail(e);
    }
}

void TKVL_SociQuery::Execute() {
    ensurePrepared(false);
    try {
        bind();
    } catch (const std::exception& e) {
        connection_.Fail(e);
    }
    run();
}

TKVL_Connection& TKVL_SociQuery::Connection() const {
    return connection_;
}

void TKVL_SociQuery::Open() {
    Close();
    ensurePrepared(true);
    try {
        bind();
    } catch (const std::exception& e) {
        connection_.Fail(e);
    }
    run();
    open_ = true;
}

void TKVL_SociQuery::Next() {
    if (!open_ || eof_) return;
    try {
        eof_ = native_ ? !native_->Fetch() : !statement_->fetch();
    } catch (const std::exception& e) {
        connection_.Fail(e);
    }
}

void TKVL_SociQuery::Close() {
    if (open_ && native_ && !connection_.Lost()) {
        try {
            native_->CloseCursor();
        } catch (...) {
            // the cursor ends with its transaction anyway
        }
    }
    if (open_) connection_.AfterWorkOutsideTransaction();
    open_ = false;
    eof_ = true;
}

int TKVL_SociQuery::FieldCount() const {
    if (native_) return native_->FieldCount();
    return row_ ? static_cast<int>(row_->size()) : 0;
}

std::string TKVL_SociQuery::FieldName(int index) const {
    if (native_) return native_->FieldName(index);
    return row_->get_properties(static_cast<size_t>(index)).get_name();
}

int TKVL_SociQuery::fieldIndex(const std::string& name) const {
    for (int i = 0; i < FieldCount(); ++i)
        if (SameText(FieldName(i), name)) return i;
    throw EKVL_DatabaseError(Format("Field '%s' not found", {name}));
}

bool TKVL_SociQuery::FieldIsNull(int index) const {
    if (!open_ || eof_) throw EKVL_DatabaseError("No current record");
    if (native_) return native_->FieldIsNull(index);
    return row_->get_indicator(static_cast<size_t>(index)) == soci::i_null;
}

std::string TKVL_SociQuery::FieldAsString(int index) const {
    if (FieldIsNull(index)) return std::string();
    if (native_) {
        try {
            return native_->FieldAsString(index);
        } catch (const std::exception& e) {
            connection_.Fail(e);
        }
    }
    auto pos = static_cast<size_t>(index);
    try {
        switch (row_->get_properties(pos).get_data_type()) {
        case soci::dt_string:
        case soci::dt_xml:
            return row_->get<std::string>(pos);
        case soci::dt_integer:
            return IntToStr(row_->get<int>(pos));
        case soci::dt_long_long:
            return IntToStr(row_->get<long long>(pos));
        case soci::dt_unsigned_long_long:
            return std::to_string(row_->get<unsigned long long>(pos));
        case soci::dt_double:
            return FloatToStr(row_->get<double>(pos));
        case soci::dt_date: {
            std::tm tm = row_->get<std::tm>(pos);
            TDateTime d = 0, t = 0;
            if (!TryEncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, d)) d = 0;
            TryEncodeTime(tm.tm_hour, tm.tm_min, tm.tm_sec, 0, t);
            return DateTimeToStr(ComposeDateTime(d, t));
        }
        case soci::dt_blob:
            return std::string();
        }
    } catch (const std::exception& e) {
        connection_.Fail(e);
    }
    return std::string();
}

std::string TKVL_SociQuery::FieldAsString(const std::string& name) const {
    return FieldAsString(fieldIndex(name));
}

} // namespace kvl
