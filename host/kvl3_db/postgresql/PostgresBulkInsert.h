#pragma once
#include "../Ukvl_connection.h"
#include "../soci/SociDriver.h"

#include <cstdint>
#include <string>
#include <vector>

typedef struct pg_conn PGconn;

namespace kvl {

class TKVL_SociConnection;

// Rows go through "COPY ... FROM STDIN", each batch under a savepoint of its own so that a
// refused batch takes back only its rows. The binary form is used when every column's type
// and value kind allow it (numbers, texts, binary data), the text form otherwise. A landed
// batch's savepoint is released in the exchange that starts the next batch, and the data are
// streamed in pieces so that a large batch never sits whole in memory.
class TKVL_PostgresBulkInsert final : public TKVL_BulkInsert {
public:
    TKVL_PostgresBulkInsert(TKVL_SociConnection& connection, const TKVL_BulkTarget& target);
    ~TKVL_PostgresBulkInsert() override;
    TKVL_PostgresBulkInsert(const TKVL_PostgresBulkInsert&) = delete;
    TKVL_PostgresBulkInsert& operator=(const TKVL_PostgresBulkInsert&) = delete;

    void SetNull(int column) override;
    void SetValue(int column, const TVariant& value) override;
    void AddRow() override;
    int Pending() const override { return pending_; }
    bool Send() override;
    const std::string& Refusal() const override { return refusal_; }
    void Discard() override;
    void CommitAndBegin() override;

    bool Binary() const { return binary_; }

private:
    enum class Wire : uint8_t { Text, Int2, Int4, Int8, Float8, Bool, Bytes };

    PGconn* conn() const;
    void describe(const TKVL_BulkTarget& target);
    void nextColumn(int column);
    void putText(const TVariant& value, TKVL_SlotKind kind);
    void putBinary(const TVariant& value, TKVL_SlotKind kind, Wire wire);
    void putBytes(const char* data, size_t size);
    void startCopy();
    void flush();
    bool finishCopy();
    void undoBatch();
    void abortCopy();
    [[noreturn]] void fail(const std::string& error);

    TKVL_SociConnection& connection_;
    std::string copySql_;
    std::vector<TKVL_SlotKind> kinds_;
    std::vector<Wire> wires_;
    bool binary_ = false;
    std::string buffer_;  // encoded rows not yet handed to the client library
    std::string scratch_; // one value's text
    int column_ = 0;      // the next column of the row being added
    int pending_ = 0;
    bool copying_ = false;     // the server is in the batch's COPY
    bool inSavepoint_ = false; // the batch runs under its savepoint
    bool spoiled_ = false;     // a value the binary form cannot carry as the server would read it
    bool keptSavepoint_ = false;
    uint64_t keptSerial_ = 0; // the transaction of the kept savepoint
    std::string refusal_;
};

} // namespace kvl
