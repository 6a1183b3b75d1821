#pragma once
#include "../catalogue/CatalogueSource.h"

#include <functional>
#include <memory>

namespace soci {
class session;
class row;
} // namespace soci

namespace kvl {

// Reads information_schema on a session of its own, so that catalogue reads never run inside a
// fill's transaction. The objects are those of the connection's database.
class TKVL_MariadbCatalogue final : public TKVL_CatalogueSource {
public:
    explicit TKVL_MariadbCatalogue(std::string connectionString);
    ~TKVL_MariadbCatalogue() override;

    std::string DatabaseName() const override;
    std::string DefaultOwner() const override { return std::string(); }
    std::vector<TKVL_ObjectName> ReadRelations() override;
    std::vector<TKVL_ObjectName> ReadGenerators() override;
    TKVL_TableInfo ReadTable(const TKVL_ObjectName& table) override;
    std::string QuoteIdentifier(const std::string& name) const override;
    TKVL_Capability Capability(int code) const override;

private:
    soci::session& session() const;
    void each(const std::string& sql, const std::vector<std::string>& params,
              const std::function<void(const soci::row&)>& onRow) const;
    std::vector<TKVL_ObjectName> readObjects(const std::string& types);

    std::string connectionString_;
    mutable std::unique_ptr<soci::session> session_;
    mutable std::string database_;
};

} // namespace kvl
