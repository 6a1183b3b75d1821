#include "MariadbCatalogue.h"

#include "../catalogue/Catalogue.h"
#include "../soci/SociRows.h"
#include "MariadbDriver.h"
#include "base/Exceptions.h"
#include "base/SysUtils.h"

#include <soci/mysql/soci-mysql.h>
#include <soci/soci.h>

#include <map>

namespace kvl {

TKVL_MariadbCatalogue::TKVL_MariadbCatalogue(std::string connectionString)
    : connectionString_(std::move(connectionString)) {}

TKVL_MariadbCatalogue::~TKVL_MariadbCatalogue() = default;

soci::session& TKVL_MariadbCatalogue::session() const {
    if (!session_) {
        try {
            TKVL_MariadbDriver driver(connectionString_);
            auto s = std::make_unique<soci::session>(driver.Backend(), driver.SociConnectString());
            driver.AfterConnect(*s);
            session_ = std::move(s);
        } catch (const Exception&) {
            throw;
        } catch (const std::exception& e) {
            throw EKVL_DatabaseError(KVL_MariadbCleanMessage(e.what()));
        }
    }
    return *session_;
}

void TKVL_MariadbCatalogue::each(const std::string& sql, const std::vector<std::string>& params,
                                 const std::function<void(const soci::row&)>& onRow) const {
    KVL_EachRow(session(), sql, params, onRow, KVL_MariadbCleanMessage);
}

std::string TKVL_MariadbCatalogue::DatabaseName() const {
    if (database_.empty())
        each("select database()", {}, [&](const soci::row& r) { database_ = KVL_RowText(r, 0); });
    return database_;
}

std::string TKVL_MariadbCatalogue::QuoteIdentifier(const std::string& name) const {
    // The server reserves more words than the other engines: every name goes in quotes.
    if (KVL_IsQuotedIdentifier(name)) return name;
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

TKVL_Capability TKVL_MariadbCatalogue::Capability(int code) const {
    TKVL_Capability c;
    if (code == capForeignKeys || code == capSequences) c.Supported = c.Present = c.Available = true;
    return c;
}

std::vector<TKVL_ObjectName> TKVL_MariadbCatalogue::readObjects(const std::string& types) {
    std::vector<TKVL_ObjectName> out;
    each("select table_name, cast(table_type = 'VIEW' as signed) from information_schema.tables "
         "where table_schema = database() and table_type in (" +
             types + ") order by table_name",
         {}, [&](const soci::row& r) {
             out.push_back({KVL_RowText(r, 0), "", KVL_RowNumber(r, 1) != 0});
         });
    return out;
}

std::vector<TKVL_ObjectName> TKVL_MariadbCatalogue::ReadRelations() {
    return readObjects("'BASE TABLE', 'SYSTEM VERSIONED', 'VIEW'");
}

std::vector<TKVL_ObjectName> TKVL_MariadbCatalogue::ReadGenerators() {
    return readObjects("'SEQUENCE'");
}

namespace {

using TEach = std::function<void(const std::string&, const std::function<void(const soci::row&)>&)>;

TKVL_ColumnInfo* columnNamed(TKVL_TableInfo& info, const std::string& name) {
    for (auto& c : info.Columns)
        if (SameText(c.Name, name)) return &c;
    return nullptr;
}

void readColumns(const TEach& each, TKVL_TableInfo& info) {
    each("select column_name, data_type, column_type, cast(character_maximum_length as char), "
         "cast(numeric_precision as char), cast(numeric_scale as char), column_default, "
         "cast(is_nullable = 'NO' as signed), extra, is_generated from information_schema.columns "
         "where table_schema = database() and table_name = :t order by ordinal_position",
         [&](const soci::row& r) {
             TKVL_ColumnInfo c;
             c.Name = KVL_RowText(r, 0);
             TKVL_MariadbType t = KVL_MariadbTypeOf(KVL_RowText(r, 1), KVL_RowText(r, 2), KVL_RowText(r, 3),
                                                    KVL_RowText(r, 4), KVL_RowText(r, 5));
             c.DataTypeCode = t.Code;
             c.Length = t.Length;
             c.Precision = t.Precision;
             c.Scale = t.Scale;
             c.EnumLabels = std::move(t.Labels);
             c.DomainChecks = std::move(t.Ranges);
             c.DataTypeText = KVL_RowText(r, 2);
             c.NotNull = KVL_RowNumber(r, 7) != 0;
             // a column without a default says NULL, in words
             std::string fallback = KVL_RowText(r, 6);
             c.DefaultValue = SameText(fallback, "NULL") ? std::string() : fallback;
             c.IsIdentity = LowerCase(KVL_RowText(r, 8)).find("auto_increment") != std::string::npos;
             c.Computed = KVL_RowText(r, 9) == "ALWAYS";
             info.Columns.push_back(std::move(c));
         });
}

// Checks of columns and of the table alike; a column that only takes JSON is named so, as the
// type that it is.
void readChecks(const TEach& each, TKVL_TableInfo& info) {
    each("select constraint_name, check_clause from information_schema.check_constraints "
         "where constraint_schema = database() and table_name = :t order by constraint_name",
         [&](const soci::row& r) {
             std::string clause = KVL_CheckCondition(KVL_RowText(r, 1));
             // the server writes the check of a JSON column itself, with the session's quotes
             TKVL_ColumnInfo* c = columnNamed(info, KVL_RowText(r, 0));
             if (c && (SameText(clause, "json_valid(\"" + c->Name + "\")") ||
                       SameText(clause, "json_valid(`" + c->Name + "`)"))) {
                 c->DataTypeText = "json";
                 return;
             }
             info.Checks.push_back(std::move(clause));
         });
}

void readKeys(const TEach& each, TKVL_TableInfo& info) {
    std::map<std::string, size_t> byName;
    each("select tc.constraint_type, k.constraint_name, k.column_name, "
         "(case when k.referenced_table_schema <> database() then k.referenced_table_schema end), "
         "k.referenced_table_name, k.referenced_column_name "
         "from information_schema.table_constraints tc join information_schema.key_column_usage k "
         "on k.constraint_schema = tc.constraint_schema and k.table_name = tc.table_name "
         "and k.constraint_name = tc.constraint_name "
         "where tc.constraint_schema = database() and tc.table_name = :t "
         "and tc.constraint_type in ('PRIMARY KEY', 'FOREIGN KEY') "
         "order by tc.constraint_type desc, k.constraint_name, k.ordinal_position",
         [&](const soci::row& r) {
             std::string name = KVL_RowText(r, 1);
             if (KVL_RowText(r, 0) == "PRIMARY KEY") {
                 info.PrimaryKeyName = name;
                 info.PrimaryKeyColumns.push_back(KVL_RowText(r, 2));
                 return;
             }
             auto [it, added] = byName.emplace(name, info.ForeignKeys.size());
             if (added) {
                 TKVL_ForeignKeyInfo fk;
                 fk.Name = name;
                 fk.ReferencedOwner = KVL_RowText(r, 3);
                 fk.ReferencedTable = KVL_RowText(r, 4);
                 info.ForeignKeys.push_back(std::move(fk));
             }
             auto& fk = info.ForeignKeys[it->second];
             fk.Columns.push_back(KVL_RowText(r, 2));
             fk.ReferencedColumns.push_back(KVL_RowText(r, 5));
         });
}

void readIndicesAndTriggers(const TEach& each, TKVL_TableInfo& info) {
    std::map<std::string, size_t> byName;
    each("select index_name, cast(non_unique = 0 as signed), column_name from information_schema.statistics "
         "where table_schema = database() and table_name = :t "
         "order by index_name <> 'PRIMARY', index_name, seq_in_index",
         [&](const soci::row& r) {
             std::string name = KVL_RowText(r, 0);
             auto [it, added] = byName.emplace(name, info.Indices.size());
             if (added) info.Indices.push_back({name, KVL_RowNumber(r, 1) != 0, {}});
             std::string column = KVL_RowText(r, 2);
             if (!column.empty()) info.Indices[it->second].Columns.push_back(column);
         });
    each("select trigger_name from information_schema.triggers "
         "where event_object_schema = database() and event_object_table = :t order by action_order, "
         "trigger_name",
         [&](const soci::row& r) { info.Triggers.push_back(KVL_RowText(r, 0)); });
}

} // namespace

TKVL_TableInfo TKVL_MariadbCatalogue::ReadTable(const TKVL_ObjectName& table) {
    TKVL_TableInfo info;
    auto run = [this, &table](const std::string& sql, const std::function<void(const soci::row&)>& onRow) {
        each(sql, {table.Name}, onRow);
    };
    readColumns(run, info);
    if (info.Columns.empty()) return info; // dropped since the list was read
    readKeys(run, info);
    readIndicesAndTriggers(run, info);
    readChecks(run, info);
    return info;
}

} // namespace kvl
