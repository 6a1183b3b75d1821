#include "FirebirdCatalogue.h"

#include "../catalogue/Catalogue.h"
#include "../soci/SociRows.h"
#include "FirebirdDriver.h"
#include "base/Exceptions.h"

#include <soci/firebird/soci-firebird.h>
#include <soci/soci.h>

#include <map>

namespace kvl {

TKVL_FirebirdCatalogue::TKVL_FirebirdCatalogue(std::string connectString, std::string databaseName)
    : connectString_(std::move(connectString)), databaseName_(std::move(databaseName)) {}

TKVL_FirebirdCatalogue::~TKVL_FirebirdCatalogue() = default;

soci::session& TKVL_FirebirdCatalogue::session() {
    if (!session_) {
        try {
            session_ = std::make_unique<soci::session>(*soci::factory_firebird(), connectString_);
        } catch (const std::exception& e) {
            throw EKVL_DatabaseError(KVL_FirebirdCleanMessage(e.what()));
        }
    }
    return *session_;
}

void TKVL_FirebirdCatalogue::each(const std::string& sql, const std::vector<std::string>& params,
                                  const std::function<void(const soci::row&)>& onRow) {
    soci::session& s = session();
    try {
        s.begin();
    } catch (const std::exception& e) {
        throw EKVL_DatabaseError(KVL_FirebirdCleanMessage(e.what()));
    }
    try {
        KVL_EachRow(s, sql, params, onRow, KVL_FirebirdCleanMessage);
        s.commit();
    } catch (...) {
        try {
            s.rollback();
        } catch (...) {
            // the read's own failure is the one to report
        }
        throw;
    }
}

std::string TKVL_FirebirdCatalogue::QuoteIdentifier(const std::string& name) const {
    return KVL_QuoteIdentifier(name, true);
}

TKVL_Capability TKVL_FirebirdCatalogue::Capability(int code) const {
    TKVL_Capability c;
    if (code == capForeignKeys || code == capSequences) c.Supported = c.Present = c.Available = true;
    return c;
}

std::vector<TKVL_ObjectName> TKVL_FirebirdCatalogue::ReadRelations() {
    std::vector<TKVL_ObjectName> out;
    each("select trim(trailing from rdb$relation_name), iif(rdb$view_blr is null, 0, 1) from rdb$relations "
         "where coalesce(rdb$system_flag, 0) = 0 order by rdb$relation_name",
         {}, [&](const soci::row& r) {
             out.push_back({KVL_RowText(r, 0), std::string(), KVL_RowNumber(r, 1) != 0});
         });
    return out;
}

std::vector<TKVL_ObjectName> TKVL_FirebirdCatalogue::ReadGenerators() {
    std::vector<TKVL_ObjectName> out;
    // The server's own generators, those behind identity columns included, carry a system flag.
    each("select trim(trailing from rdb$generator_name) from rdb$generators where coalesce(rdb$system_flag, "
         "0) = 0 "
         "order by rdb$generator_name",
         {}, [&](const soci::row& r) {
             out.push_back({KVL_RowText(r, 0), std::string(), false});
         });
    return out;
}

namespace {
int asInt(const soci::row& r, size_t i) {
    return static_cast<int>(KVL_RowNumber(r, i));
}
} // namespace

TKVL_TableInfo TKVL_FirebirdCatalogue::ReadTable(const TKVL_ObjectName& table) {
    TKVL_TableInfo info;
    const std::vector<std::string> name{table.Name};
    each("select trim(trailing from rf.rdb$field_name), f.rdb$field_type, coalesce(f.rdb$field_sub_type, 0), "
         "coalesce(f.rdb$field_scale, 0), coalesce(f.rdb$field_precision, 0), "
         "coalesce(f.rdb$character_length, 0), f.rdb$field_length, "
         "coalesce(rf.rdb$null_flag, f.rdb$null_flag, 0), "
         "cast(coalesce(rf.rdb$default_source, f.rdb$default_source) as varchar(8000)), "
         "iif(f.rdb$computed_blr is null, 0, 1), coalesce(rf.rdb$identity_type, -1), "
         "cast(f.rdb$validation_source as varchar(8000)), coalesce(cs.rdb$bytes_per_character, 0) "
         "from rdb$relation_fields rf join rdb$fields f on f.rdb$field_name = rf.rdb$field_source "
         "left join rdb$character_sets cs on cs.rdb$character_set_id = f.rdb$character_set_id "
         "where rf.rdb$relation_name = :t order by rf.rdb$field_position",
         name, [&](const soci::row& r) {
             TKVL_ColumnInfo c;
             c.Name = KVL_RowText(r, 0);
             TKVL_FirebirdType t = KVL_FirebirdTypeOf(asInt(r, 1), asInt(r, 2), asInt(r, 3), asInt(r, 4),
                                                      asInt(r, 5), asInt(r, 6));
             c.DataTypeCode = t.Code;
             c.DataTypeText = t.Text;
             c.Length = t.Length;
             c.Precision = t.Precision;
             c.Scale = t.Scale;
             c.NotNull = asInt(r, 7) != 0;
             c.DefaultValue = KVL_RowText(r, 8);
             if (c.DefaultValue.rfind("DEFAULT ", 0) == 0 || c.DefaultValue.rfind("default ", 0) == 0)
                 c.DefaultValue = c.DefaultValue.substr(8);
             int identity = asInt(r, 10);
             c.IsIdentity = identity >= 0;
             // GENERATED ALWAYS (identity type 0) refuses values as a computed column does.
             c.Computed = asInt(r, 9) != 0 || identity == 0;
             if (std::string check = KVL_RowText(r, 11); !check.empty())
                 c.DomainChecks.push_back(KVL_CheckCondition(check));
             // Text of a one-byte character set goes in as sent, so its length is in bytes.
             if (asInt(r, 12) == 1) c.BytesPerCharacter = 1;
             info.Columns.push_back(std::move(c));
         });

    each("select trim(trailing from s.rdb$field_name), trim(trailing from rc.rdb$constraint_name) from "
         "rdb$relation_constraints rc "
         "join rdb$index_segments s on s.rdb$index_name = rc.rdb$index_name "
         "where rc.rdb$relation_name = :t and rc.rdb$constraint_type = 'PRIMARY KEY' order by "
         "s.rdb$field_position",
         name, [&](const soci::row& r) {
             info.PrimaryKeyColumns.push_back(KVL_RowText(r, 0));
             info.PrimaryKeyName = KVL_RowText(r, 1);
         });

    std::map<std::string, size_t> keyByName;
    each("select trim(trailing from rc.rdb$constraint_name), trim(trailing from uq.rdb$relation_name), "
         "trim(trailing from s.rdb$field_name), "
         "trim(trailing from us.rdb$field_name) from rdb$relation_constraints rc "
         "join rdb$ref_constraints ref on ref.rdb$constraint_name = rc.rdb$constraint_name "
         "join rdb$relation_constraints uq on uq.rdb$constraint_name = ref.rdb$const_name_uq "
         "join rdb$indices i on i.rdb$index_name = rc.rdb$index_name "
         "join rdb$index_segments s on s.rdb$index_name = rc.rdb$index_name "
         "join rdb$index_segments us on us.rdb$index_name = uq.rdb$index_name "
         "and us.rdb$field_position = s.rdb$field_position "
         "where rc.rdb$relation_name = :t and rc.rdb$constraint_type = 'FOREIGN KEY' "
         "order by i.rdb$index_id, s.rdb$field_position",
         name, [&](const soci::row& r) {
             std::string key = KVL_RowText(r, 0);
             auto [it, added] = keyByName.emplace(key, info.ForeignKeys.size());
             if (added) {
                 TKVL_ForeignKeyInfo fk;
                 fk.Name = key;
                 fk.ReferencedTable = KVL_RowText(r, 1);
                 info.ForeignKeys.push_back(std::move(fk));
             }
             info.ForeignKeys[it->second].Columns.push_back(KVL_RowText(r, 2));
             info.ForeignKeys[it->second].ReferencedColumns.push_back(KVL_RowText(r, 3));
         });

    std::map<std::string, size_t> indexByName;
    each("select trim(trailing from i.rdb$index_name), coalesce(i.rdb$unique_flag, 0), trim(trailing from "
         "s.rdb$field_name) "
         "from rdb$indices i left join rdb$index_segments s on s.rdb$index_name = i.rdb$index_name "
         "where i.rdb$relation_name = :t order by i.rdb$index_id, s.rdb$field_position",
         name, [&](const soci::row& r) {
             std::string index = KVL_RowText(r, 0);
             auto [it, added] = indexByName.emplace(index, info.Indices.size());
             if (added) info.Indices.push_back({index, asInt(r, 1) != 0, {}});
             std::string column = KVL_RowText(r, 2);
             if (!column.empty()) // an expression index has no segments
                 info.Indices[it->second].Columns.push_back(column);
         });

    // Check constraints are enforced by triggers of the server's making.
    each("select trim(trailing from t.rdb$trigger_name) from rdb$triggers t where t.rdb$relation_name = :t "
         "and coalesce(t.rdb$system_flag, 0) = 0 and not exists (select 1 from rdb$check_constraints c "
         "where c.rdb$trigger_name = t.rdb$trigger_name) order by t.rdb$trigger_sequence, t.rdb$trigger_name",
         name, [&](const soci::row& r) { info.Triggers.push_back(KVL_RowText(r, 0)); });

    // Each check has a trigger before insert (type 1) and one before update; the source is the same.
    each("select cast(t.rdb$trigger_source as varchar(8000)) from rdb$relation_constraints rc "
         "join rdb$check_constraints cc on cc.rdb$constraint_name = rc.rdb$constraint_name "
         "join rdb$triggers t on t.rdb$trigger_name = cc.rdb$trigger_name "
         "where rc.rdb$relation_name = :t and rc.rdb$constraint_type = 'CHECK' and t.rdb$trigger_type = 1 "
         "order by t.rdb$trigger_name",
         name, [&](const soci::row& r) { info.Checks.push_back(KVL_CheckCondition(KVL_RowText(r, 0))); });
    return info;
}

} // namespace kvl
