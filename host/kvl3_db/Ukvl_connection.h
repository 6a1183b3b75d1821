#pragma once
#include "Ukvl_catalogue.h"
#include "base/StringList.h"
#include "base/Variant.h"

#include <istream>
#include <memory>
#include <string>

namespace kvl {

class TKVL_Connection;

class TKVL_Transaction {
public:
    virtual ~TKVL_Transaction() = default;
    virtual void StartTransaction() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
    virtual bool InTransaction() const = 0;
    // When set, a transaction is started by the first statement that runs without one.
    virtual void SetTransactionFlag(bool autoStart) = 0;
};

// Statements and queries are one family: SQL text with named parameters (":P1"), prepared once
// and executed many times with values bound by position.
class TKVL_Statement {
public:
    virtual ~TKVL_Statement() = default;

    virtual void SetTransaction(TKVL_Transaction* transaction) = 0;
    TStringList& SQL() { return sql_; }
    const TStringList& SQL() const { return sql_; }

    virtual void Prepare() = 0;
    virtual void Unprepare() = 0;
    virtual bool Prepared() const = 0;
    virtual void Execute() = 0;

    virtual int ParamCount() const = 0;
    virtual std::string ParamName(int index) const = 0; // as written after the colon
    virtual int ParamType(int index) const = 0;         // TFieldType
    virtual void SetParamType(int index, int fieldType) = 0;
    virtual void SetParamNull(int index) = 0;
    virtual void SetParamValue(int index, const TVariant& value) = 0;
    virtual void SetBlobParam(const std::string& name, std::istream& stream) = 0;

private:
    TStringList sql_;
};

class TKVL_Query : public TKVL_Statement {
public:
    virtual TKVL_Connection& Connection() const = 0;
    virtual void SetOption(const std::string& name, const std::string& value) = 0;
    virtual void Open() = 0;
    virtual bool Eof() const = 0;
    virtual void Next() = 0;
    virtual void Close() = 0;
    virtual int FieldCount() const = 0;
    virtual std::string FieldName(int index) const = 0;
    virtual bool FieldIsNull(int index) const = 0;
    virtual std::string FieldAsString(int index) const = 0;
    virtual std::string FieldAsString(const std::string& name) const = 0; // NULL reads as ""
};

// What an engine can do, asked of its connection instead of being inferred from its server kind.
enum class TKVL_DriverFeature {
    Sequences,             // the server has generators or sequences
    SequenceExpression,    // a sequence's next value can be written into an INSERT's VALUES
    IndexSwitching,        // an index can be made inactive and active again
    TriggerSwitching,      // a trigger can be made inactive and active again
    IdentityInsert,        // explicit values go into identity columns only when switched on
    NamedSchemas,          // objects live in named schemas
    BulkLoad,              // rows can be streamed in bulk outside INSERT statements
    DeferrableConstraints, // constraint checks can wait until the commit
    // How the engine's transactions behave, for the drivers' own statements:
    RowSavepoint,  // a failed statement aborts the transaction unless it ran under a savepoint
    OpenEndedWork, // work outside a transaction stays in one the client opened until committed
};

class TKVL_Connection {
public:
    virtual ~TKVL_Connection() = default;

    virtual bool Connected() const = 0;
    virtual void Connect() = 0;
    virtual void Disconnect() = 0;
    virtual int ServerKind() const = 0;
    virtual bool HasFeature(TKVL_DriverFeature) const { return false; }
    virtual std::string ModeText() const = 0;
    virtual std::string ConnectionString() const = 0;
    virtual void ExecuteCommand(const std::string& kind, const std::string& sql) = 0;

    virtual std::unique_ptr<TKVL_Connection> Clone() const = 0;
    virtual std::unique_ptr<TKVL_Transaction> NewTransaction() = 0;
    virtual std::unique_ptr<TKVL_Query> NewQuery() = 0;
    virtual std::shared_ptr<IKVL_Database> Database() = 0;
    // The expression that draws the next value of a sequence (its name as the schema formats
    // it), where the engine has a form of its own; empty leaves the form to the caller.
    virtual std::string NextValueExpression(const std::string&) const { return {}; }
};

} // namespace kvl
