#pragma once
#include "../Ukvl_catalogue.h"

#include <string>
#include <vector>

namespace kvl {

// Plain descriptions of catalogue entries, as a driver reads them from its server.
struct TKVL_ObjectName {
    std::string Name;
    std::string Owner;
    bool IsView = false;
};

struct TKVL_ColumnInfo {
    std::string Name;
    int DataTypeCode = 0;
    std::string DataTypeText;
    bool NotNull = false;
    std::string Length, Scale, Precision;
    std::string DefaultValue;
    bool Computed = false;
    bool IsIdentity = false;
    std::vector<std::string> DomainChecks, EnumLabels;
    int BytesPerCharacter = 0;
};

struct TKVL_IndexInfo {
    std::string Name;
    bool Unique = false;
    std::vector<std::string> Columns;
};

struct TKVL_ForeignKeyInfo {
    std::string Name;
    std::string ReferencedTable;
    std::string ReferencedOwner;
    std::vector<std::string> Columns;
    std::vector<std::string> ReferencedColumns;
    bool Deferrable = false; // its check may wait until the commit
};

struct TKVL_TableInfo {
    std::vector<TKVL_ColumnInfo> Columns;
    std::string PrimaryKeyName;
    std::vector<std::string> PrimaryKeyColumns;
    std::vector<TKVL_IndexInfo> Indices;
    std::vector<std::string> Triggers;
    std::vector<TKVL_ForeignKeyInfo> ForeignKeys;
    std::vector<std::string> Checks, PartitionBounds;
};

// What a driver tells the generic catalogue; each call may read the server.
class TKVL_CatalogueSource {
public:
    virtual ~TKVL_CatalogueSource() = default;
    virtual std::string DatabaseName() const = 0;
    virtual std::string DefaultOwner() const = 0;             // schema of the session; may be empty
    virtual std::vector<TKVL_ObjectName> ReadRelations() = 0; // tables and views, in the server's order
    virtual std::vector<TKVL_ObjectName> ReadGenerators() = 0;
    virtual TKVL_TableInfo ReadTable(const TKVL_ObjectName& table) = 0;
    virtual std::string QuoteIdentifier(const std::string& name) const = 0;
    virtual TKVL_Capability Capability(int code) const = 0;
    virtual std::string KindDisplayName(int kind, bool plural) const;
};

} // namespace kvl
