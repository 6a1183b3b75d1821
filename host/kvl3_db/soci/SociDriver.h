#pragma once
#include "../Ukvl_connection.h"
#include "../catalogue/CatalogueSource.h"
#include "SociRowIsolation.h"

#include <ctime>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace soci {
class session;
class statement;
struct backend_factory;
} // namespace soci

namespace kvl {

class TKVL_DirectStatement;
class TKVL_NativeSession;
class TKVL_BulkInsert;
struct TKVL_BulkTarget;
class TKVL_SociConnection;

// How a parameter of a given field type travels to the server.
enum class TKVL_SlotKind {
    Integer,
    Real,
    Text,
    BooleanText, // "TRUE" or "FALSE"
    DateText,
    TimeText,
    DateTimeText,
    TmValue,
    Blob,
    HexText,  // binary data as the "\\x..." hex text of PostgreSQL's bytea
    GuidText, // a GUID without the braces around it, for uuid types that read none
};

// "{...}" as "...": the braces are only the GUID's way of being written.
void KVL_DropBraces(std::string& guid);

// A parameter's value as a statement's slot holds it, for drivers that bind it themselves.
struct TKVL_SlotValue {
    TKVL_SlotKind Kind = TKVL_SlotKind::Text;
    bool Null = true;
    long long Integer = 0;
    double Real = 0;
    const std::string* Text = nullptr; // texts and binary data
    const std::tm* Tm = nullptr;       // TmValue
};

// One database engine: how to open it, what it can do, how it names things.
class TKVL_SociDriver {
public:
    using enum TKVL_DriverFeature;

    virtual ~TKVL_SociDriver() = default;
    virtual int ServerKind() const = 0;
    virtual bool HasFeature(TKVL_DriverFeature feature) const = 0;
    virtual const soci::backend_factory& Backend() const = 0;
    virtual std::string SociConnectString() const = 0;
    virtual std::string ModeText() const { return "1"; }
    // see TKVL_Connection::NextValueExpression
    virtual std::string NextValueExpression(const std::string&) const { return {}; }
    virtual void AfterConnect(soci::session&) const {}
    virtual TKVL_SlotKind SlotFor(int fieldType) const;
    // Where a failed statement aborts the transaction: what keeps one failure to its own statement
    // for a session. Without it, savepoints are set through the client library.
    virtual std::unique_ptr<TKVL_RowIsolation> CreateRowIsolation() const { return nullptr; }
    // Prepares the text as a statement of the driver's own on the engine's handle of the session,
    // for rows that the client library's exchange would cost more than their own work, or that
    // must be known by name. Nil when the driver has no such way.
    virtual std::unique_ptr<TKVL_DirectStatement> PrepareDirect(soci::session& session,
                                                                const std::string& sql) const;
    // The engine's own bulk load on a connection's session; nil where it has none.
    virtual std::unique_ptr<TKVL_BulkInsert> CreateBulkInsert(TKVL_SociConnection& connection,
                                                              const TKVL_BulkTarget& target) const;
    // The driver's own transactions and statements on the session's attachment, for engines
    // whose types the client library cannot exchange. Nil: all goes through the client library.
    virtual std::unique_ptr<TKVL_NativeSession> CreateNativeSession(soci::session& session) const;
    // Let go of a statement or session whose server is gone or refused to end it: the client
    // library's complaint would come from a destructor, and a server that shut a session down
    // may never answer at all.
    virtual void CloseLost(std::unique_ptr<soci::statement> statement) const;
    virtual void CloseLost(std::unique_ptr<soci::session> session) const;
    // Whether the session can no longer reach its server: asked after a statement failed, with
    // the client library's exception, and before the session is closed. It must not ask the
    // server, which may never answer.
    virtual bool ConnectionLost(soci::session&, const std::exception* failure = nullptr) const {
        (void)failure;
        return false;
    }
    // The server's own words, without the client library's decoration.
    virtual std::string CleanMessage(const std::string& message) const { return message; }
    virtual std::shared_ptr<TKVL_CatalogueSource> CreateCatalogueSource() const = 0;
    virtual std::unique_ptr<TKVL_SociDriver> Clone() const = 0;
    const std::string& ConnectionString() const { return connectionString_; }

protected:
    explicit TKVL_SociDriver(std::string connectionString) : connectionString_(std::move(connectionString)) {}

private:
    std::string connectionString_;
};

} // namespace kvl
