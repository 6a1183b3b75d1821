#include "PostgresCatalogue.h"

#include "../catalogue/Catalogue.h"
#include "../soci/SociRows.h"
#include "PostgresDriver.h"
#include "base/Exceptions.h"

#include <soci/postgresql/soci-postgresql.h>
#include <soci/soci.h>

#include <map>

namespace kvl {

TKVL_PostgresCatalogue::TKVL_PostgresCatalogue(std::string connectString)
    : connectString_(std::move(connectString)) {}

TKVL_PostgresCatalogue::~TKVL_PostgresCatalogue() = default;

soci::session& TKVL_PostgresCatalogue::session() const {
    if (!session_) {
        try {
            auto s = std::make_unique<soci::session>(*soci::factory_postgresql(), connectString_);
            TKVL_PostgresDriver(connectString_).AfterConnect(*s);
            session_ = std::move(s);
        } catch (const std::exception& e) {
            throw EKVL_DatabaseError(KVL_PostgresCleanMessage(e.what()));
        }
    }
    return *session_;
}

void TKVL_PostgresCatalogue::each(const std::string& sql, const std::vector<std::string>& params,
                                  const std::function<void(const soci::row&)>& onRow) const {
    KVL_EachRow(session(), sql, params, onRow, KVL_PostgresCleanMessage);
}

void TKVL_PostgresCatalogue::readNames() const {
    if (!schema_.empty()) return;
    each("select current_database()::text, coalesce(current_schema()::text, 'public')", {},
         [&](const soci::row& r) {
             database_ = KVL_RowText(r, 0);
             schema_ = KVL_RowText(r, 1);
         });
}

std::string TKVL_PostgresCatalogue::DatabaseName() const {
    readNames();
    return database_;
}

std::string TKVL_PostgresCatalogue::DefaultOwner() const {
    readNames();
    return schema_;
}

std::string TKVL_PostgresCatalogue::QuoteIdentifier(const std::string& name) const {
    return KVL_QuoteIdentifier(name, false);
}

TKVL_Capability TKVL_PostgresCatalogue::Capability(int code) const {
    TKVL_Capability c;
    if (code == capForeignKeys || code == capSchemas || code == capSequences)
        c.Supported = c.Present = c.Available = true;
    return c;
}

std::vector<TKVL_ObjectName> TKVL_PostgresCatalogue::ReadRelations() {
    std::vector<TKVL_ObjectName> out;
    const std::string schema = DefaultOwner();
    each("select c.relname::text, (c.relkind in ('v', 'm'))::int from pg_class c "
         "join pg_namespace n on n.oid = c.relnamespace "
         "where n.nspname = :s and c.relkind in ('r', 'p', 'v', 'm', 'f') and not c.relispartition "
         "order by c.relname",
         {schema}, [&](const soci::row& r) {
             out.push_back({KVL_RowText(r, 0), schema, KVL_RowNumber(r, 1) != 0});
         });
    return out;
}

std::vector<TKVL_ObjectName> TKVL_PostgresCatalogue::ReadGenerators() {
    std::vector<TKVL_ObjectName> out;
    const std::string schema = DefaultOwner();
    // Sequences behind identity columns belong to their column, not to the user.
    each("select c.relname::text from pg_class c join pg_namespace n on n.oid = c.relnamespace "
         "where n.nspname = :s and c.relkind = 'S' and not exists (select 1 from pg_depend d "
         "where d.classid = 'pg_class'::regclass and d.objid = c.oid and d.deptype = 'i') "
         "order by c.relname",
         {schema}, [&](const soci::row& r) {
             out.push_back({KVL_RowText(r, 0), schema, false});
         });
    return out;
}

namespace {

void readColumns(
    const std::function<void(const std::string&, const std::function<void(const soci::row&)>&)>& each,
    const std::string& oid, TKVL_TableInfo& info) {
    // A domain column takes its base type's code and size.
    // Enum, JSON, address, interval, array, range and bit values travel as text; the server
    // reads them from it.
    each("select a.attname::text, (case when coalesce(bt.typtype, t.typtype) in ('e', 'r') "
         "or coalesce(bt.typcategory, t.typcategory) = 'A' "
         "or coalesce(bt.typname, t.typname) in ('json', 'jsonb', 'inet', 'cidr', 'macaddr', 'macaddr8', "
         "'interval', 'money', 'timetz', 'tsvector', 'point', 'bit', 'varbit', 'xml', 'citext') then 'text' "
         "else coalesce(bt.typname, t.typname) end)::text, "
         "(case when t.typtype = 'd' then t.typtypmod else a.atttypmod end)::int, "
         "format_type(a.atttypid, a.atttypmod), (a.attnotnull or t.typnotnull)::int, "
         "case when a.attgenerated = '' then pg_get_expr(d.adbin, d.adrelid) end, "
         "a.attidentity::text, a.attgenerated::text "
         "from pg_attribute a join pg_type t on t.oid = a.atttypid "
         "left join pg_type bt on t.typtype = 'd' and bt.oid = t.typbasetype "
         "left join pg_attrdef d on d.adrelid = a.attrelid and d.adnum = a.attnum "
         "where a.attrelid = " +
             oid + " and a.attnum > 0 and not a.attisdropped order by a.attnum",
         [&](const soci::row& r) {
             TKVL_ColumnInfo c;
             c.Name = KVL_RowText(r, 0);
             TKVL_PostgresType t =
                 KVL_PostgresTypeOf(KVL_RowText(r, 1), static_cast<int>(KVL_RowNumber(r, 2)));
             c.DataTypeCode = t.Code;
             c.Length = t.Length;
             c.Precision = t.Precision;
             c.Scale = t.Scale;
             c.DataTypeText = KVL_RowText(r, 3);
             c.NotNull = KVL_RowNumber(r, 4) != 0;
             c.DefaultValue = KVL_RowText(r, 5);
             std::string identity = KVL_RowText(r, 6);
             c.IsIdentity = identity == "a" || identity == "d";
             // The server refuses values for generated columns and for identities GENERATED ALWAYS.
             c.Computed = !KVL_RowText(r, 7).empty() || identity == "a";
             info.Columns.push_back(std::move(c));
         });
}

// A domain's checks, its base domains' included, and the labels of an enum type (or of the enum
// under a domain).
void readColumnRules(
    const std::function<void(const std::string&, const std::function<void(const soci::row&)>&)>& each,
    const std::string& oid, TKVL_TableInfo& info) {
    auto column = [&info](const std::string& name) -> TKVL_ColumnInfo* {
        for (auto& c : info.Columns)
            if (c.Name == name) return &c;
        return nullptr;
    };
    each("with recursive d(attname, typid) as (select a.attname, a.atttypid from pg_attribute a "
         "where a.attrelid = " +
             oid +
             " and a.attnum > 0 and not a.attisdropped "
             "union all select d.attname, t.typbasetype from d join pg_type t on t.oid = d.typid "
             "where t.typtype = 'd') "
             "select d.attname::text, pg_get_constraintdef(con.oid) from d "
             "join pg_constraint con on con.contypid = d.typid and con.contype = 'c' order by con.oid",
         [&](const soci::row& r) {
             if (auto* c = column(KVL_RowText(r, 0)))
                 c->DomainChecks.push_back(KVL_CheckCondition(KVL_RowText(r, 1)));
         });
    each("select a.attname::text, e.enumlabel::text from pg_attribute a join pg_type t on t.oid = a.atttypid "
         "join pg_enum e on e.enumtypid = (case when t.typtype = 'd' then t.typbasetype else t.oid end) "
         "where a.attrelid = " +
             oid + " and a.attnum > 0 and not a.attisdropped order by a.attnum, e.enumsortorder",
         [&](const soci::row& r) {
             if (auto* c = column(KVL_RowText(r, 0))) c->EnumLabels.push_back(KVL_RowText(r, 1));
         });
}

// Rows of a partitioned table must land in some partition: without a default partition, a row
// meets the bounds of one of its leaf partitions. The server writes each as a condition.
void readChecksAndBounds(
    const std::function<void(const std::string&, const std::function<void(const soci::row&)>&)>& each,
    const std::string& oid, TKVL_TableInfo& info) {
    each("select pg_get_constraintdef(oid) from pg_constraint where conrelid = " + oid +
             " and contype = 'c' order by oid",
         [&](const soci::row& r) { info.Checks.push_back(KVL_CheckCondition(KVL_RowText(r, 0))); });
    bool hasDefault = false;
    std::string bounds;
    each("select pg_get_expr(c.relpartbound, c.oid), coalesce(pg_get_partition_constraintdef(c.oid), '') "
         "from pg_partition_tree(" +
             oid +
             "::regclass) p join pg_class c on c.oid = p.relid "
             "where p.isleaf and p.level > 0 order by p.level, c.relname",
         [&](const soci::row& r) {
             if (KVL_RowText(r, 0) == "DEFAULT") hasDefault = true;
             const std::string partition = KVL_RowText(r, 1);
             if (!partition.empty()) bounds += (bounds.empty() ? "(" : " OR (") + partition + ")";
         });
    if (!hasDefault && !bounds.empty()) info.PartitionBounds.push_back(KVL_CheckCondition(bounds));
}

void readKeys(
    const std::function<void(const std::string&, const std::function<void(const soci::row&)>&)>& each,
    const std::string& oid, TKVL_TableInfo& info) {
    each("select a.attname::text, con.conname::text from pg_constraint con "
         "cross join lateral unnest(con.conkey) with ordinality k(attnum, pos) "
         "join pg_attribute a on a.attrelid = con.conrelid and a.attnum = k.attnum "
         "where con.conrelid = " +
             oid + " and con.contype = 'p' order by k.pos",
         [&](const soci::row& r) {
             info.PrimaryKeyColumns.push_back(KVL_RowText(r, 0));
             info.PrimaryKeyName = KVL_RowText(r, 1);
         });
    std::map<std::string, size_t> byName;
    // Keys declared on partitions belong to the partitioned table, and a key into a partition
    // points at its root; copies that the server made of a parent's key are left out.
    each("select con.conname::text, rc.relname::text, rn.nspname::text, a.attname::text, ra.attname::text, "
         "con.condeferrable::int "
         "from pg_constraint con "
         "join pg_class rc on rc.oid = coalesce(pg_partition_root(con.confrelid), con.confrelid) "
         "join pg_namespace rn on rn.oid = rc.relnamespace "
         "cross join lateral unnest(con.conkey, con.confkey) with ordinality k(attnum, refnum, pos) "
         "join pg_attribute a on a.attrelid = con.conrelid and a.attnum = k.attnum "
         "join pg_attribute ra on ra.attrelid = con.confrelid and ra.attnum = k.refnum "
         "where (con.conrelid = " +
             oid + " or con.conrelid in (select relid from pg_partition_tree(" + oid +
             "::oid::regclass))) and con.conparentid = 0 and con.contype = 'f' order by con.oid, k.pos",
         [&](const soci::row& r) {
             std::string name = KVL_RowText(r, 0);
             auto [it, added] = byName.emplace(name, info.ForeignKeys.size());
             if (added) {
                 TKVL_ForeignKeyInfo fk;
                 fk.Name = name;
                 fk.ReferencedTable = KVL_RowText(r, 1);
                 fk.ReferencedOwner = KVL_RowText(r, 2);
                 fk.Deferrable = KVL_RowNumber(r, 5) != 0;
                 info.ForeignKeys.push_back(std::move(fk));
             }
             auto& fk = info.ForeignKeys[it->second];
             fk.Columns.push_back(KVL_RowText(r, 3));
             fk.ReferencedColumns.push_back(KVL_RowText(r, 4));
         });
}

void readIndicesAndTriggers(
    const std::function<void(const std::string&, const std::function<void(const soci::row&)>&)>& each,
    const std::string& oid, TKVL_TableInfo& info) {
    std::map<std::string, size_t> byName;
    each("select ic.relname::text, i.indisunique::int, a.attname::text from pg_index i "
         "join pg_class ic on ic.oid = i.indexrelid "
         "cross join lateral unnest(i.indkey::int2[]) with ordinality k(attnum, pos) "
         "left join pg_attribute a on a.attrelid = i.indrelid and a.attnum = k.attnum "
         "where i.indrelid = " +
             oid + " order by i.indexrelid, k.pos",
         [&](const soci::row& r) {
             std::string name = KVL_RowText(r, 0);
             auto [it, added] = byName.emplace(name, info.Indices.size());
             if (added) info.Indices.push_back({name, KVL_RowNumber(r, 1) != 0, {}});
             std::string column = KVL_RowText(r, 2);
             if (!column.empty()) // an expression has no column of its own
                 info.Indices[it->second].Columns.push_back(column);
         });
    each("select tgname::text from pg_trigger where tgrelid = " + oid + " and not tgisinternal order by oid",
         [&](const soci::row& r) { info.Triggers.push_back(KVL_RowText(r, 0)); });
}

} // namespace

TKVL_TableInfo TKVL_PostgresCatalogue::ReadTable(const TKVL_ObjectName& table) {
    TKVL_TableInfo info;
    std::string oid;
    const std::string owner = table.Owner.empty() ? DefaultOwner() : table.Owner;
    each("select c.oid::text from pg_class c join pg_namespace n on n.oid = c.relnamespace "
         "where n.nspname = :s and c.relname = :t",
         {owner, table.Name}, [&](const soci::row& r) { oid = KVL_RowText(r, 0); });
    if (oid.empty()) return info; // dropped since the list was read
    auto run = [this](const std::string& sql, const std::function<void(const soci::row&)>& onRow) {
        each(sql, {}, onRow);
    };
    readColumns(run, oid, info);
    readKeys(run, oid, info);
    readIndicesAndTriggers(run, oid, info);
    readColumnRules(run, oid, info);
    readChecksAndBounds(run, oid, info);
    return info;
}

} // namespace kvl
