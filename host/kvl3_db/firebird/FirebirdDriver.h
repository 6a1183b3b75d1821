#pragma once
#include "../soci/SociDriver.h"

#include <map>

namespace kvl {

// Firebird through libfbclient:
//   "firebird:/abs/path.fdb?user=SYSDBA&password=pw"                  embedded engine, no server
//   "firebird://host:port/abs/path.fdb?user=SYSDBA&password=pw"       through a server
// Other query keys (role, charset) are passed on to the client library.
class TKVL_FirebirdDriver final : public TKVL_SociDriver {
public:
    explicit TKVL_FirebirdDriver(std::string connectionString);

    int ServerKind() const override;
    bool HasFeature(TKVL_DriverFeature feature) const override;
    const soci::backend_factory& Backend() const override;
    std::string SociConnectString() const override;
    TKVL_SlotKind SlotFor(int fieldType) const override;
    std::unique_ptr<TKVL_NativeSession> CreateNativeSession(soci::session& session) const override;
    void CloseLost(std::unique_ptr<soci::statement> statement) const override;
    void CloseLost(std::unique_ptr<soci::session> session) const override;
    bool ConnectionLost(soci::session& session, const std::exception* failure = nullptr) const override;
    std::string CleanMessage(const std::string& message) const override;
    std::shared_ptr<TKVL_CatalogueSource> CreateCatalogueSource() const override;
    std::unique_ptr<TKVL_SociDriver> Clone() const override;

    const std::string& DatabasePath() const { return path_; }
    bool Embedded() const { return host_.empty(); }

private:
    std::string host_, port_, path_;
    std::map<std::string, std::string> options_;
};

// The server's words of a client library message.
std::string KVL_FirebirdCleanMessage(const std::string& message);

// The host's data type code of a column from RDB$FIELDS (type, sub-type, scale, sizes), with
// its length, precision and scale texts and the type as SQL writes it.
struct TKVL_FirebirdType {
    int Code = 0;
    std::string Length, Precision, Scale, Text;
};
TKVL_FirebirdType KVL_FirebirdTypeOf(int fieldType, int subType, int scale, int precision, int charLength,
                                     int byteLength);

} // namespace kvl
