#pragma once
#include "../Ukvl_connection.h"
#include "../soci/SociDriver.h"

#include <string>
#include <vector>

typedef struct st_mysql MYSQL;

namespace kvl {

class TKVL_SociConnection;

// Rows go as INSERT statements of many rows each. The server undoes a refused statement alone;
// a batch too large for one statement goes in several under a savepoint of its own, so that a
// refused batch takes back all its rows and none of the transaction's others.
class TKVL_MariadbBulkInsert final : public TKVL_BulkInsert {
public:
    // Above this, a batch's rows go in more than one statement: the server takes no statement
    // larger than its max_allowed_packet, 16 MB by default.
    static constexpr size_t StatementLimit = 4 << 20;

    TKVL_MariadbBulkInsert(TKVL_SociConnection& connection, const TKVL_BulkTarget& target);

    void SetNull(int column) override;
    void SetValue(int column, const TVariant& value) override;
    void AddRow() override;
    int Pending() const override { return pending_; }
    bool Send() override;
    const std::string& Refusal() const override { return refusal_; }
    void Discard() override;
    void CommitAndBegin() override;

private:
    MYSQL* conn() const;
    void nextColumn(int column);
    void putValue(const TVariant& value, size_t column);
    void putQuoted(const std::string& text);
    // Runs a statement; false with the server's words in refusal_ when it refused it.
    bool run(const std::string& sql);
    void reset();

    TKVL_SociConnection& connection_;
    std::string head_; // "insert into t (a, b) values "
    std::vector<TKVL_SlotKind> kinds_;
    std::vector<bool> binary_;
    std::vector<std::string> statements_; // the batch's rows, as full statements
    std::string row_;
    std::string scratch_;
    int column_ = 0;
    int pending_ = 0;
    bool spoiled_ = false; // a value that no literal of the server's carries
    std::string refusal_;
};

} // namespace kvl
