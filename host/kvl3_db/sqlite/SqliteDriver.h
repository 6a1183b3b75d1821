#pragma once
#include "../soci/SociDriver.h"

namespace kvl {

// SQLite on a database file: "sqlite:PATH" (also "sqlite://PATH").
class TKVL_SqliteDriver final : public TKVL_SociDriver {
public:
    explicit TKVL_SqliteDriver(std::string connectionString);

    int ServerKind() const override;
    bool HasFeature(TKVL_DriverFeature feature) const override;
    const soci::backend_factory& Backend() const override;
    std::string SociConnectString() const override;
    void AfterConnect(soci::session& session) const override;
    std::unique_ptr<TKVL_DirectStatement> PrepareDirect(soci::session& session,
                                                        const std::string& sql) const override;
    std::string CleanMessage(const std::string& message) const override;
    std::shared_ptr<TKVL_CatalogueSource> CreateCatalogueSource() const override;
    std::unique_ptr<TKVL_SociDriver> Clone() const override;

    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
};

// The host's data type code of an SQLite declared type, and its length, precision and scale.
struct TKVL_SqliteType {
    int Code = 0;
    std::string Length, Precision, Scale;
};
TKVL_SqliteType KVL_SqliteTypeOf(const std::string& declaredType);

} // namespace kvl
