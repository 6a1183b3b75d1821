#pragma once
#include "../catalogue/CatalogueSource.h"

#include <memory>

namespace soci {
class session;
}

namespace kvl {

class TKVL_SqliteDriver;

// The conditions of the CHECK constraints in a CREATE TABLE statement, in the statement's order.
std::vector<std::string> KVL_SqliteChecksOf(const std::string& createSql);

// Reads SQLite's own catalogue (sqlite_master and the table pragmas) on a session of its own,
// so that catalogue reads never run inside a fill's transaction.
class TKVL_SqliteCatalogue final : public TKVL_CatalogueSource {
public:
    explicit TKVL_SqliteCatalogue(const TKVL_SqliteDriver& driver);
    ~TKVL_SqliteCatalogue() override;

    std::string DatabaseName() const override { return fileName_; }
    std::string DefaultOwner() const override { return std::string(); }
    std::vector<TKVL_ObjectName> ReadRelations() override;
    std::vector<TKVL_ObjectName> ReadGenerators() override { return {}; }
    TKVL_TableInfo ReadTable(const TKVL_ObjectName& table) override;
    std::string QuoteIdentifier(const std::string& name) const override;
    TKVL_Capability Capability(int code) const override;

private:
    soci::session& session();

    std::string fileName_;
    std::unique_ptr<soci::session> session_;
};

} // namespace kvl
