#include "SqliteCatalogue.h"

#include "../catalogue/Catalogue.h"
#include "../soci/SociRows.h"
#include "SqliteDriver.h"
#include "base/Exceptions.h"
#include "base/StringList.h"
#include "base/SysUtils.h"

#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>

#include <cctype>
#include <map>

namespace kvl {

TKVL_SqliteCatalogue::TKVL_SqliteCatalogue(const TKVL_SqliteDriver& driver) : fileName_(driver.FileName()) {}

TKVL_SqliteCatalogue::~TKVL_SqliteCatalogue() = default;

soci::session& TKVL_SqliteCatalogue::session() {
    if (!session_) {
        try {
            session_ = std::make_unique<soci::session>(*soci::factory_sqlite3(),
                                                       "db=\"" + fileName_ + "\" timeout=30");
        } catch (const std::exception& e) {
            throw EKVL_DatabaseError(e.what());
        }
    }
    return *session_;
}

std::string TKVL_SqliteCatalogue::QuoteIdentifier(const std::string& name) const {
    return KVL_QuoteIdentifier(name, false);
}

TKVL_Capability TKVL_SqliteCatalogue::Capability(int code) const {
    TKVL_Capability c;
    if (code == capForeignKeys) c.Supported = c.Present = c.Available = true;
    return c;
}

std::vector<TKVL_ObjectName> TKVL_SqliteCatalogue::ReadRelations() {
    std::vector<TKVL_ObjectName> out;
    try {
        KVL_EachRow(session(),
                    "select name, type from sqlite_master where type in ('table', 'view') "
                    "and name not like 'sqlite\\_%' escape '\\' order by rowid",
                    {}, [&](const soci::row& r) {
                        out.push_back({KVL_RowText(r, 0), std::string(), KVL_RowText(r, 1) == "view"});
                    });
    } catch (const EKVL_DatabaseError&) {
        throw;
    } catch (const std::exception& e) {
        throw EKVL_DatabaseError(e.what());
    }
    return out;
}

namespace {

// The end of a quoted part that starts at i: literals, identifiers in double quotes, brackets
// or backquotes; a doubled quote stays inside.
size_t endOfQuoted(const std::string& sql, size_t i) {
    const char close = sql[i] == '[' ? ']' : sql[i];
    for (size_t j = i + 1; j < sql.size(); ++j) {
        if (sql[j] != close) continue;
        if (close != ']' && j + 1 < sql.size() && sql[j + 1] == close) {
            ++j;
            continue;
        }
        return j + 1;
    }
    return sql.size();
}

bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$';
}

// The condition in the parentheses that open at i, without them; empty when they do not close.
std::string parenthesised(const std::string& sql, size_t i, size_t& end) {
    int depth = 0;
    for (size_t j = i; j < sql.size();) {
        char c = sql[j];
        if (c == '\'' || c == '"' || c == '[' || c == '`') {
            j = endOfQuoted(sql, j);
            continue;
        }
        if (c == '(') ++depth;
        if (c == ')' && --depth == 0) {
            end = j + 1;
            return Trim(sql.substr(i + 1, j - i - 1));
        }
        ++j;
    }
    end = sql.size();
    return std::string();
}

} // namespace

// SQLite keeps no list of its checks, only the statement that made the table.
std::vector<std::string> KVL_SqliteChecksOf(const std::string& createSql) {
    std::vector<std::string> checks;
    size_t i = 0;
    while (i < createSql.size()) {
        char c = createSql[i];
        if (c == '\'' || c == '"' || c == '[' || c == '`') {
            i = endOfQuoted(createSql, i);
            continue;
        }
        if (!isWordChar(c)) {
            ++i;
            continue;
        }
        size_t start = i;
        while (i < createSql.size() && isWordChar(createSql[i]))
            ++i;
        if (UpperCase(createSql.substr(start, i - start)) != "CHECK") continue;
        size_t open = createSql.find_first_not_of(" \t\r\n", i);
        if (open == std::string::npos || createSql[open] != '(') continue;
        std::string condition = parenthesised(createSql, open, i);
        if (!condition.empty()) checks.push_back(condition);
    }
    return checks;
}

TKVL_TableInfo TKVL_SqliteCatalogue::ReadTable(const TKVL_ObjectName& table) {
    TKVL_TableInfo info;
    const std::string name = KVL_SqlLiteral(table.Name);
    try {
        soci::session& s = session();
        std::map<long long, std::string> keyByPosition;
        KVL_EachRow(s, "pragma table_xinfo(" + name + ")", {}, [&](const soci::row& r) {
            // cid, name, type, notnull, dflt_value, pk, hidden
            long long hidden = KVL_RowNumber(r, 6);
            if (hidden == 1) return; // a virtual table's hidden column
            TKVL_ColumnInfo c;
            c.Name = KVL_RowText(r, 1);
            c.DataTypeText = KVL_RowText(r, 2);
            TKVL_SqliteType t = KVL_SqliteTypeOf(c.DataTypeText);
            c.DataTypeCode = t.Code;
            c.Length = t.Length;
            c.Precision = t.Precision;
            c.Scale = t.Scale;
            c.NotNull = KVL_RowNumber(r, 3) != 0;
            c.DefaultValue = KVL_RowText(r, 4);
            c.Computed = hidden == 2 || hidden == 3;
            if (long long pk = KVL_RowNumber(r, 5); pk > 0) keyByPosition[pk] = c.Name;
            info.Columns.push_back(std::move(c));
        });
        for (auto& [pos, col] : keyByPosition)
            info.PrimaryKeyColumns.push_back(col);
        if (info.PrimaryKeyColumns.size() == 1) {
            // INTEGER PRIMARY KEY is the row id: the server numbers it when no value is given.
            for (auto& c : info.Columns)
                if (c.Name == info.PrimaryKeyColumns[0] && UpperCase(Trim(c.DataTypeText)) == "INTEGER")
                    c.IsIdentity = true;
        }
        if (!info.PrimaryKeyColumns.empty()) info.PrimaryKeyName = "pk_" + table.Name;

        std::vector<TKVL_IndexInfo> indices;
        KVL_EachRow(s, "pragma index_list(" + name + ")", {}, [&](const soci::row& r) {
            TKVL_IndexInfo idx;
            idx.Name = KVL_RowText(r, 1);
            idx.Unique = KVL_RowNumber(r, 2) != 0;
            indices.push_back(std::move(idx));
        });
        // index_list gives the newest index first; the catalogue lists them in creation order
        for (auto it = indices.rbegin(); it != indices.rend(); ++it) {
            KVL_EachRow(s, "pragma index_info(" + KVL_SqlLiteral(it->Name) + ")", {},
                        [&](const soci::row& r) { it->Columns.push_back(KVL_RowText(r, 2)); });
            info.Indices.push_back(std::move(*it));
        }

        KVL_EachRow(s,
                    "select name from sqlite_master where type = 'trigger' and tbl_name = " + name +
                        " order by rowid",
                    {}, [&](const soci::row& r) { info.Triggers.push_back(KVL_RowText(r, 0)); });
        KVL_EachRow(s, "select sql from sqlite_master where type = 'table' and name = " + name, {},
                    [&](const soci::row& r) { info.Checks = KVL_SqliteChecksOf(KVL_RowText(r, 0)); });

        std::map<long long, TKVL_ForeignKeyInfo> keys;
        KVL_EachRow(s, "pragma foreign_key_list(" + name + ")", {}, [&](const soci::row& r) {
            // id, seq, table, from, to, on_update, on_delete, match
            auto& fk = keys[KVL_RowNumber(r, 0)];
            fk.ReferencedTable = KVL_RowText(r, 2);
            fk.Columns.push_back(KVL_RowText(r, 3));
            fk.ReferencedColumns.push_back(KVL_RowText(r, 4));
        });
        for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
            auto& fk = it->second;
            fk.Name =
                "fk_" + table.Name + "_" + std::to_string(keys.size() - 1 - static_cast<size_t>(it->first));
            bool implicit = false;
            for (const auto& c : fk.ReferencedColumns)
                implicit = implicit || c.empty();
            if (implicit) {
                // "references t" without columns means t's primary key
                fk.ReferencedColumns.clear();
                std::map<long long, std::string> refKey;
                KVL_EachRow(s, "pragma table_info(" + KVL_SqlLiteral(fk.ReferencedTable) + ")", {},
                            [&](const soci::row& r) {
                                if (long long pk = KVL_RowNumber(r, 5); pk > 0)
                                    refKey[pk] = KVL_RowText(r, 1);
                            });
                for (auto& [pos, col] : refKey)
                    fk.ReferencedColumns.push_back(col);
            }
            info.ForeignKeys.push_back(std::move(fk));
        }
    } catch (const EKVL_DatabaseError&) {
        throw;
    } catch (const std::exception& e) {
        throw EKVL_DatabaseError(e.what());
    }
    return info;
}

} // namespace kvl
