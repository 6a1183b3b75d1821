#include "SociConnection.h"

#include "../FieldType.h"
#include "../catalogue/Catalogue.h"
#include "DirectStatement.h"
#include "SociQuery.h"
#include "SociTransaction.h"
#include "base/Exceptions.h"

#include <soci/soci.h>

namespace kvl {

TKVL_SociConnection::TKVL_SociConnection(std::unique_ptr<TKVL_SociDriver> driver)
    : driver_(std::move(driver)) {}

TKVL_SociConnection::~TKVL_SociConnection() {
    try {
        Disconnect();
    } catch (...) {
        // a connection that cannot even close has nothing left to lose
    }
}

void TKVL_SociConnection::Connect() {
    if (session_) return;
    try {
        auto s = std::make_unique<soci::session>(driver_->Backend(), driver_->SociConnectString());
        driver_->AfterConnect(*s);
        isolation_ = driver_->CreateRowIsolation();
        native_ = driver_->CreateNativeSession(*s);
        session_ = std::move(s);
    } catch (const std::exception& e) {
        Fail(e);
    }
}

void TKVL_SociConnection::Disconnect() {
    if (!session_) return;
    for (TKVL_Query* q : queries_) {
        try {
            q->Unprepare();
        } catch (...) {
            // the session goes away below, and its statements with it
        }
    }
    auto s = std::move(session_);
    auto native = std::move(native_);
    isolation_.reset();
    if (lost_) {
        lost_ = false;
        inTransaction_ = false;
        if (native) native->Abandon();
        native.reset();
        driver_->CloseLost(std::move(s));
        return;
    }
    bool failed = false;
    if (inTransaction_) {
        inTransaction_ = false;
        try {
            if (native)
                native->Rollback();
            else
                s->rollback();
        } catch (...) {
            // the session is closed below either way
            failed = true;
        }
    }
    if (native) {
        try {
            if (failed) native->Abandon();
            native->Finish();
        } catch (...) {
            failed = true;
        }
        native.reset();
    }
    // a session that could not even roll back would fail again, in the client library's destructor
    if (failed || driver_->ConnectionLost(*s)) {
        driver_->CloseLost(std::move(s));
        return;
    }
    s->close();
}

void TKVL_SociConnection::ExecuteCommand(const std::string& /*kind*/, const std::string& sql) {
    if (inTransaction_ && isolation_) isolation_->Unreplayable();
    try {
        soci::session& session = Session();
        if (native_)
            native_->ExecuteCommand(sql);
        else
            session << sql;
        AfterWorkOutsideTransaction();
    } catch (const EKVL_DatabaseError&) {
        throw;
    } catch (const std::exception& e) {
        Fail(e);
    }
}

void TKVL_SociConnection::SetInTransaction(bool value) {
    inTransaction_ = value;
    ++transactionSerial_;
    if (isolation_) isolation_->TransactionBoundary();
}

void TKVL_SociConnection::AfterWorkOutsideTransaction() {
    if (!inTransaction_ && session_ && driver_->HasFeature(TKVL_DriverFeature::OpenEndedWork)) {
        if (native_)
            native_->Commit();
        else
            session_->commit();
    }
}

void TKVL_SociConnection::BeginWork() {
    soci::session& session = Session();
    if (native_)
        native_->Begin();
    else
        session.begin();
}

void TKVL_SociConnection::CommitWork() {
    soci::session& session = Session();
    if (native_)
        native_->Commit();
    else
        session.commit();
}

void TKVL_SociConnection::RollbackWork() {
    soci::session& session = Session();
    if (native_)
        native_->Rollback();
    else
        session.rollback();
}

void TKVL_SociConnection::ThrowIfLost() const {
    if (lost_) throw EKVL_ConnectionLost("The connection to the server was lost.");
}

soci::session& TKVL_SociConnection::Session() {
    ThrowIfLost();
    if (!session_) Connect();
    return *session_;
}

void TKVL_SociConnection::Fail(const std::exception& e) const {
    if (auto lost = dynamic_cast<const EKVL_ConnectionLost*>(&e)) {
        MarkLost();
        throw *lost;
    }
    bool ours = dynamic_cast<const EKVL_DatabaseError*>(&e) != nullptr;
    std::string message = ours ? std::string(e.what()) : driver_->CleanMessage(e.what());
    if (session_ && driver_->ConnectionLost(*session_, &e)) {
        MarkLost();
        throw EKVL_ConnectionLost(message);
    }
    throw EKVL_DatabaseError(message);
}

std::unique_ptr<TKVL_Connection> TKVL_SociConnection::Clone() const {
    return std::make_unique<TKVL_SociConnection>(driver_->Clone());
}

std::unique_ptr<TKVL_Transaction> TKVL_SociConnection::NewTransaction() {
    return std::make_unique<TKVL_SociTransaction>(*this);
}

std::unique_ptr<TKVL_Query> TKVL_SociConnection::NewQuery() {
    return std::make_unique<TKVL_SociQuery>(*this);
}

std::shared_ptr<IKVL_Database> TKVL_SociConnection::Database() {
    if (!database_) database_ = KVL_CreateCatalogue(driver_->CreateCatalogueSource());
    return database_;
}

std::unique_ptr<TKVL_DirectStatement> TKVL_SociDriver::PrepareDirect(soci::session&,
                                                                     const std::string&) const {
    return nullptr;
}

std::unique_ptr<TKVL_NativeSession> TKVL_SociDriver::CreateNativeSession(soci::session&) const {
    return nullptr;
}

void TKVL_SociDriver::CloseLost(std::unique_ptr<soci::statement> statement) const {
    try {
        statement->clean_up();
    } catch (...) {
        // the server is gone, and the statement with it
    }
}

std::unique_ptr<TKVL_BulkInsert> TKVL_SociConnection::NewBulkInsert(const TKVL_BulkTarget& target) {
    Session(); // connects on demand, as statements do
    return driver_->CreateBulkInsert(*this, target);
}

std::unique_ptr<TKVL_BulkInsert> TKVL_SociDriver::CreateBulkInsert(TKVL_SociConnection&,
                                                                   const TKVL_BulkTarget&) const {
    return nullptr;
}

void TKVL_SociDriver::CloseLost(std::unique_ptr<soci::session> session) const {
    session->close();
}

TKVL_SlotKind TKVL_SociDriver::SlotFor(int fieldType) const {
    switch (fieldType) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftBoolean:
    case ftLargeint:
        return TKVL_SlotKind::Integer;
    case ftFloat:
        return TKVL_SlotKind::Real;
    case ftDate:
        return TKVL_SlotKind::DateText;
    case ftTime:
        return TKVL_SlotKind::TimeText;
    case ftDateTime:
        return TKVL_SlotKind::DateTimeText;
    case ftBlob:
        return TKVL_SlotKind::Blob;
    default:
        return TKVL_SlotKind::Text;
    }
}

} // namespace kvl
