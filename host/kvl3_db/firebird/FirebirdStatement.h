#pragma once
#include "../soci/DirectStatement.h"

#include <ibase.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace kvl {

class TKVL_FirebirdSession;

// A statement on the Firebird client API. Parameters are bound by the value's own kind and the
// server converts them to the described type (BOOLEAN from "TRUE"/"FALSE", a text into a BLOB is
// written as one); rows are read into buffers sized from the description.
class TKVL_FirebirdStatement final : public TKVL_DirectStatement {
public:
    TKVL_FirebirdStatement(TKVL_FirebirdSession& session, const std::string& sql);
    ~TKVL_FirebirdStatement() override;
    TKVL_FirebirdStatement(const TKVL_FirebirdStatement&) = delete;
    TKVL_FirebirdStatement& operator=(const TKVL_FirebirdStatement&) = delete;

    bool Execute(const std::vector<TKVL_SlotValue>& values) override;
    void Abandon() override { abandoned_ = true; }
    bool Open(const std::vector<TKVL_SlotValue>& values) override;
    bool Fetch() override;
    void CloseCursor() override;
    int FieldCount() const override;
    std::string FieldName(int index) const override;
    bool FieldIsNull(int index) const override;
    std::string FieldAsString(int index) const override;

private:
    struct FreeDescriptor {
        void operator()(XSQLDA* descriptor) const { std::free(descriptor); }
    };
    using Descriptor = std::unique_ptr<XSQLDA, FreeDescriptor>;
    // What a parameter's value is sent from.
    struct Cell {
        ISC_SHORT null = 0;
        ISC_INT64 integer = 0;
        double real = 0;
        ISC_TIMESTAMP timestamp{};
        ISC_DATE date = 0;
        ISC_TIME time = 0;
        ISC_QUAD blob{};
        std::vector<char> spare; // a NULL's value
    };

    static Descriptor newDescriptor(short count);
    void describe();
    void prepareOutput();
    void bind(const std::vector<TKVL_SlotValue>& values);
    void bindOne(size_t index, const TKVL_SlotValue& value);
    void bindText(XSQLVAR& var, const std::string& text, bool keepCharset);
    void writeBlob(Cell& cell, const std::string& data);
    void run();
    const XSQLVAR& field(int index) const;
    std::string readBlob(const ISC_QUAD& id) const;

    TKVL_FirebirdSession& session_;
    isc_stmt_handle handle_ = 0;
    int type_ = 0; // the kind of statement, as the server tells it
    Descriptor in_, out_;
    std::vector<XSQLVAR> described_; // the parameters as the server described them
    std::vector<Cell> cells_;
    std::vector<std::vector<char>> buffers_; // one per column
    std::vector<ISC_SHORT> nulls_;
    bool cursorOpen_ = false;
    bool abandoned_ = false;
};

} // namespace kvl
