#pragma once
#include "../soci/SociRowIsolation.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

typedef struct pg_conn PGconn;

namespace kvl {

// The statements that ran in the open transaction, with their parameters, so that they can be
// sent again after the transaction was rolled back.
class TKVL_StatementJournal {
public:
    void Add(const std::string& statement, const std::vector<const char*>& values);
    void Clear();
    bool Empty() const { return entries_.empty(); }
    size_t Count() const { return entries_.size(); }
    size_t Bytes() const { return bytes_.size(); }
    bool Holds(const std::string& statement) const;
    // The statement name and the parameters (nil for NULL) of entry i.
    const std::string& Statement(size_t i) const { return names_[entries_[i].name]; }
    void Values(size_t i, std::vector<const char*>& out) const;

private:
    struct Entry {
        uint32_t name;
        uint32_t firstValue;
        uint32_t valueCount;
    };
    std::vector<std::string> names_;
    std::vector<Entry> entries_;
    std::vector<int64_t> offsets_; // into bytes_, -1 for NULL
    std::string bytes_;            // the values, each ending in a nul
};

// Rows run as plain prepared statements and are written down; when one fails, the transaction
// is rolled back and what it held is sent again, after which savepoints guard every row until a
// transaction passes without a failure. A good row thus costs what it costs without isolation,
// and a failure costs one replay of at most one transaction.
class TKVL_PostgresRowIsolation final : public TKVL_RowIsolation {
public:
    // Beyond this the journal would hold more than a fill should keep in memory: savepoints
    // take over for the rest of the transaction.
    static constexpr size_t JournalLimit = 16 << 20;

    bool Execute(TKVL_DirectStatement& statement, const std::vector<const char*>& values) override;
    void Unreplayable() override;
    void Forget(TKVL_DirectStatement& statement) override;
    void TransactionBoundary() override;

private:
    void executeGuarded(PGconn* conn, const char* name, const std::vector<const char*>& values);
    void restore(PGconn* conn);

    TKVL_StatementJournal journal_;
    std::vector<const char*> replayValues_;
    bool guarded_ = false;
    bool failed_ = false;
};

} // namespace kvl
