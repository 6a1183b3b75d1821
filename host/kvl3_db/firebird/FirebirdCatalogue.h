#pragma once
#include "../catalogue/CatalogueSource.h"

#include <functional>
#include <memory>

namespace soci {
class session;
class row;
} // namespace soci

namespace kvl {

// Reads the RDB$ system tables on a session of its own, one short transaction per read, so
// that it sees what other connections have committed and never runs inside a fill's transaction.
class TKVL_FirebirdCatalogue final : public TKVL_CatalogueSource {
public:
    TKVL_FirebirdCatalogue(std::string connectString, std::string databaseName);
    ~TKVL_FirebirdCatalogue() override;

    std::string DatabaseName() const override { return databaseName_; }
    std::string DefaultOwner() const override { return std::string(); }
    std::vector<TKVL_ObjectName> ReadRelations() override;
    std::vector<TKVL_ObjectName> ReadGenerators() override;
    TKVL_TableInfo ReadTable(const TKVL_ObjectName& table) override;
    std::string QuoteIdentifier(const std::string& name) const override;
    TKVL_Capability Capability(int code) const override;

private:
    soci::session& session();
    void each(const std::string& sql, const std::vector<std::string>& params,
              const std::function<void(const soci::row&)>& onRow);

    std::string connectString_, databaseName_;
    std::unique_ptr<soci::session> session_;
};

} // namespace kvl
