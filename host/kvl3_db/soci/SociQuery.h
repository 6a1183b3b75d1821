#pragma once
#include "../Ukvl_connection.h"
#include "SociDriver.h"

#include <soci/soci-backend.h>

#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace soci {
class statement;
class row;
class blob;
} // namespace soci

namespace kvl {

class TKVL_SociConnection;

// A statement or query on one connection. Values are held by the object in one slot per
// parameter and bound to the prepared statement once; each row only writes into the slots.
class TKVL_SociQuery final : public TKVL_Query {
public:
    explicit TKVL_SociQuery(TKVL_SociConnection& connection);
    ~TKVL_SociQuery() override;

    void SetTransaction(TKVL_Transaction* transaction) override { transaction_ = transaction; }
    void Prepare() override;
    void Unprepare() override;
    bool Prepared() const override { return statement_ != nullptr || native_ != nullptr; }
    void Execute() override;

    int ParamCount() const override { return static_cast<int>(slots_.size()); }
    std::string ParamName(int index) const override;
    int ParamType(int index) const override;
    void SetParamType(int index, int fieldType) override;
    void SetParamNull(int index) override;
    void SetParamValue(int index, const TVariant& value) override;
    void SetBlobParam(const std::string& name, std::istream& stream) override;

    TKVL_Connection& Connection() const override;
    void SetOption(const std::string& name, const std::string& value) override { options_[name] = value; }
    void Open() override;
    bool Eof() const override { return eof_; }
    void Next() override;
    void Close() override;
    int FieldCount() const override;
    std::string FieldName(int index) const override;
    bool FieldIsNull(int index) const override;
    std::string FieldAsString(int index) const override;
    std::string FieldAsString(const std::string& name) const override;

private:
    struct Slot {
        std::string name;
        int type = 0;
        TKVL_SlotKind kind = TKVL_SlotKind::Text;
        soci::indicator indicator = soci::i_null;
        long long integer = 0;
        double real = 0;
        std::string text;
        std::tm tm{};
        std::unique_ptr<soci::blob> blob;
    };

    Slot& slot(int index);
    const Slot& slot(int index) const;
    void ensurePrepared(bool forQuery);
    void bind();
    void run();
    bool runIsolated(TKVL_RowIsolation& isolation);
    bool runBound();
    TKVL_DirectStatement* direct();
    void runThroughClient(bool guarded);
    void runNative();
    void fillBoundValues();
    void storeValue(Slot& s, const TVariant& value);
    int fieldIndex(const std::string& name) const;

    TKVL_SociConnection& connection_;
    TKVL_Transaction* transaction_ = nullptr;
    std::vector<Slot> slots_;
    std::vector<const char*> values_;         // the slots as texts, for drivers that send them natively
    std::vector<TKVL_SlotValue> boundValues_; // the slots, for drivers that bind them themselves
    std::unique_ptr<soci::statement> statement_;
    std::unique_ptr<TKVL_DirectStatement> direct_; // prepared on first use
    // the statement itself where the driver runs all statements its own way
    std::unique_ptr<TKVL_DirectStatement> native_;
    bool directTried_ = false;
    std::unique_ptr<soci::row> row_;
    std::string preparedText_;
    uint64_t preparedChange_ = 0;
    bool bound_ = false;
    bool forQuery_ = false;
    bool eof_ = true;
    bool open_ = false;
    std::map<std::string, std::string> options_;
};

} // namespace kvl
