#include "PostgresRowIsolation.h"

#include "PostgresDriver.h"
#include "PostgresStatement.h"
#include "base/Exceptions.h"

#include <libpq-fe.h>

#include <cstring>

namespace kvl {

void TKVL_StatementJournal::Add(const std::string& statement, const std::vector<const char*>& values) {
    uint32_t name = 0;
    while (name < names_.size() && names_[name] != statement)
        ++name;
    if (name == names_.size()) names_.push_back(statement);
    entries_.push_back({name, static_cast<uint32_t>(offsets_.size()), static_cast<uint32_t>(values.size())});
    for (const char* v : values) {
        if (!v) {
            offsets_.push_back(-1);
            continue;
        }
        offsets_.push_back(static_cast<int64_t>(bytes_.size()));
        bytes_.append(v, std::strlen(v) + 1);
    }
}

void TKVL_StatementJournal::Clear() {
    entries_.clear();
    offsets_.clear();
    bytes_.clear();
    names_.clear();
}

bool TKVL_StatementJournal::Holds(const std::string& statement) const {
    for (const Entry& e : entries_)
        if (names_[e.name] == statement) return true;
    return false;
}

void TKVL_StatementJournal::Values(size_t i, std::vector<const char*>& out) const {
    const Entry& e = entries_[i];
    out.resize(e.valueCount);
    for (uint32_t k = 0; k < e.valueCount; ++k) {
        int64_t at = offsets_[e.firstValue + k];
        out[k] = at < 0 ? nullptr : bytes_.data() + at;
    }
}

namespace {

// Reads the results of one command of a pipeline; gives the error text when it failed.
std::string takeResults(PGconn* conn) {
    std::string error;
    while (PGresult* result = PQgetResult(conn)) {
        ExecStatusType status = PQresultStatus(result);
        if (status == PGRES_FATAL_ERROR && error.empty()) error = PQresultErrorMessage(result);
        PQclear(result);
    }
    return error;
}

// A statement that failed because the server went away fails the same way as all that follow.
[[noreturn]] void failOn(PGconn* conn, const std::string& error) {
    std::string message = KVL_PostgresCleanMessage(error);
    if (PQstatus(conn) == CONNECTION_BAD) throw EKVL_ConnectionLost(message);
    throw EKVL_DatabaseError(message);
}

class Pipeline {
public:
    explicit Pipeline(PGconn* conn) : conn_(conn) { entered_ = PQenterPipelineMode(conn) == 1; }
    ~Pipeline() {
        if (entered_) PQexitPipelineMode(conn_);
    }
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;
    bool Entered() const { return entered_; }
    // Reads what the commands sent since the last sync gave, up to the sync's own result.
    std::string Collect(size_t commands) {
        std::string error;
        for (size_t i = 0; i < commands; ++i) {
            std::string failure = takeResults(conn_);
            if (error.empty()) error = failure;
        }
        if (PGresult* sync = PQgetResult(conn_)) PQclear(sync);
        return error;
    }

private:
    PGconn* conn_;
    bool entered_;
};

bool simple(PGconn* conn, const char* sql) {
    PGresult* r = PQexec(conn, sql);
    bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    PQclear(r);
    return ok;
}

// Replayed statements go in batches, each read back before the next is sent, so that neither
// side waits on a full socket.
constexpr size_t ReplayBatch = 256;

} // namespace

bool TKVL_PostgresRowIsolation::Execute(TKVL_DirectStatement& statement,
                                        const std::vector<const char*>& values) {
    auto* prepared = dynamic_cast<TKVL_PostgresStatement*>(&statement);
    if (!prepared) return false;
    PGconn* conn = prepared->Connection();
    const std::string& name = prepared->Name();
    if (guarded_) {
        executeGuarded(conn, name.c_str(), values);
        return true;
    }
    PGresult* result = PQexecPrepared(conn, name.c_str(), static_cast<int>(values.size()), values.data(),
                                      nullptr, nullptr, 0);
    ExecStatusType status = PQresultStatus(result);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
        PQclear(result);
        journal_.Add(name, values);
        if (journal_.Bytes() > JournalLimit) Unreplayable();
        return true;
    }
    std::string error = result ? PQresultErrorMessage(result) : PQerrorMessage(conn);
    PQclear(result);
    // the connection's own text also holds what the server said before it went away
    if (PQstatus(conn) != CONNECTION_OK) failOn(conn, PQerrorMessage(conn));
    failed_ = true;
    restore(conn);
    failOn(conn, error);
}

void TKVL_PostgresRowIsolation::executeGuarded(PGconn* conn, const char* name,
                                               const std::vector<const char*>& values) {
    // Three commands in one exchange: a good row costs no more waiting for the server than
    // without the savepoint.
    std::string error;
    {
        Pipeline pipeline(conn);
        if (!pipeline.Entered()) failOn(conn, PQerrorMessage(conn));
        bool sent =
            PQsendQueryParams(conn, "savepoint kvl_row", 0, nullptr, nullptr, nullptr, nullptr, 0) &&
            PQsendQueryPrepared(conn, name, static_cast<int>(values.size()), values.data(), nullptr, nullptr,
                                0) &&
            PQsendQueryParams(conn, "release savepoint kvl_row", 0, nullptr, nullptr, nullptr, nullptr, 0) &&
            PQpipelineSync(conn);
        if (!sent) failOn(conn, PQerrorMessage(conn));
        error = pipeline.Collect(3);
    }
    if (error.empty()) return;
    failed_ = true;
    if (PQstatus(conn) == CONNECTION_OK)
        simple(conn, "rollback to savepoint kvl_row; release savepoint kvl_row");
    failOn(conn, error);
}

void TKVL_PostgresRowIsolation::restore(PGconn* conn) {
    // The failed statement aborted the transaction: it begins again with what it held.
    std::string error;
    if (!simple(conn, "rollback") || !simple(conn, "begin")) {
        error = PQerrorMessage(conn);
    } else {
        for (size_t first = 0; first < journal_.Count() && error.empty(); first += ReplayBatch) {
            Pipeline pipeline(conn);
            if (!pipeline.Entered()) {
                error = PQerrorMessage(conn);
                break;
            }
            size_t end = std::min(journal_.Count(), first + ReplayBatch);
            for (size_t i = first; i < end; ++i) {
                journal_.Values(i, replayValues_);
                if (!PQsendQueryPrepared(conn, journal_.Statement(i).c_str(),
                                         static_cast<int>(replayValues_.size()), replayValues_.data(),
                                         nullptr, nullptr, 0)) {
                    error = PQerrorMessage(conn);
                    break;
                }
            }
            if (error.empty() && !PQpipelineSync(conn)) error = PQerrorMessage(conn);
            if (error.empty()) error = pipeline.Collect(end - first);
        }
    }
    journal_.Clear();
    guarded_ = true;
    if (error.empty()) return;
    // What the transaction held since its last commit is gone: no later row can make up for it.
    throw EKVL_ConnectionLost("The transaction could not be restored after a failed statement: " +
                              KVL_PostgresCleanMessage(error));
}

void TKVL_PostgresRowIsolation::Unreplayable() {
    journal_.Clear();
    guarded_ = true;
}

void TKVL_PostgresRowIsolation::Forget(TKVL_DirectStatement& statement) {
    if (journal_.Empty()) return;
    auto* prepared = dynamic_cast<TKVL_PostgresStatement*>(&statement);
    if (prepared && journal_.Holds(prepared->Name())) Unreplayable();
}

void TKVL_PostgresRowIsolation::TransactionBoundary() {
    // A table whose rows failed in one transaction will likely fail in the next one too.
    guarded_ = failed_;
    failed_ = false;
    journal_.Clear();
}

} // namespace kvl
