#include "Catalogue.h"

#include "base/StringList.h"
#include "base/SysUtils.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace kvl {

std::string TKVL_CatalogueSource::KindDisplayName(int kind, bool plural) const {
    switch (kind) {
    case okTable:
        return plural ? "Tables" : "Table";
    case okView:
        return plural ? "Views" : "View";
    case okRelation:
        return plural ? "Relations" : "Relation";
    case okGenerator:
        return plural ? "Sequences" : "Sequence";
    case okIndex:
        return plural ? "Indices" : "Index";
    case okTrigger:
        return plural ? "Triggers" : "Trigger";
    default:
        return plural ? "Objects" : "Object";
    }
}

bool KVL_IsQuotedIdentifier(const std::string& text) {
    return text.size() >= 2 && text.front() == '"' && text.back() == '"';
}

std::string KVL_QuoteIdentifier(const std::string& name, bool foldsToUpper) {
    if (KVL_IsQuotedIdentifier(name)) return name;
    static const std::set<std::string> keywords = {
        "ADD",        "ALL",    "ALTER",   "AND",        "AS",     "ASC",    "BETWEEN",  "BY",
        "CASE",       "CHECK",  "COLUMN",  "CONSTRAINT", "CREATE", "CROSS",  "CURRENT",  "DATE",
        "DEFAULT",    "DELETE", "DESC",    "DISTINCT",   "DROP",   "ELSE",   "END",      "EXISTS",
        "FOREIGN",    "FROM",   "FULL",    "GROUP",      "HAVING", "IN",     "INDEX",    "INNER",
        "INSERT",     "INTO",   "IS",      "JOIN",       "KEY",    "LEFT",   "LIKE",     "LIMIT",
        "NOT",        "NULL",   "OF",      "ON",         "OR",     "ORDER",  "OUTER",    "PRIMARY",
        "REFERENCES", "RIGHT",  "ROWS",    "SELECT",     "SET",    "TABLE",  "THEN",     "TIME",
        "TIMESTAMP",  "TO",     "TRIGGER", "UNION",      "UNIQUE", "UPDATE", "USER",     "USING",
        "VALUE",      "VALUES", "VIEW",    "WHEN",       "WHERE",  "WITH",   "POSITION", "TYPE",
        "PASSWORD",   "ROLE",   "ROW",     "START",      "SECOND", "MINUTE", "HOUR",     "DAY",
        "MONTH",      "YEAR",   "COUNT"};
    bool plain = !name.empty() && !std::isdigit(static_cast<unsigned char>(name[0]));
    for (char c : name) {
        bool ok = c == '_' || std::isdigit(static_cast<unsigned char>(c)) ||
                  (foldsToUpper ? std::isupper(static_cast<unsigned char>(c))
                                : std::islower(static_cast<unsigned char>(c)));
        if (!ok) {
            plain = false;
            break;
        }
    }
    if (plain && !keywords.count(UpperCase(name))) return name;
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"') out += '"';
    }
    out += '"';
    return out;
}

namespace {

bool startsWithWord(const std::string& text, const std::string& word) {
    if (text.size() < word.size() || UpperCase(text.substr(0, word.size())) != word) return false;
    return text.size() == word.size() || !std::isalnum(static_cast<unsigned char>(text[word.size()]));
}

// Whether the parenthesis at 0 closes at the end, literals skipped.
bool enclosed(const std::string& text) {
    if (text.size() < 2 || text.front() != '(' || text.back() != ')') return false;
    int depth = 0;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\'') quoted = !quoted;
        if (quoted) continue;
        if (c == '(') ++depth;
        if (c == ')' && --depth == 0) return i + 1 == text.size();
    }
    return false;
}

} // namespace

std::string KVL_CheckCondition(const std::string& text) {
    std::string s = Trim(text);
    if (startsWithWord(s, "CHECK")) s = Trim(s.substr(5));
    const std::string remark = " NOT VALID";
    if (s.size() > remark.size() && UpperCase(s.substr(s.size() - remark.size())) == remark)
        s = Trim(s.substr(0, s.size() - remark.size()));
    while (enclosed(s))
        s = Trim(s.substr(1, s.size() - 2));
    return s;
}

namespace {

class CatalogueState;

std::string qualified(const std::string& owner, const std::string& name) {
    return owner.empty() ? name : owner + "." + name;
}

class NamedObject : public virtual IKVL_BaseInterface {
public:
    NamedObject(std::string name, std::string owner, std::string sqlName)
        : name_(std::move(name)), owner_(std::move(owner)), sqlName_(std::move(sqlName)) {}
    std::string Name() const override { return name_; }
    std::string SQLName() const override { return sqlName_; }
    std::string OwnerName() const override { return owner_; }
    std::string DisplayName() const override { return name_; }
    std::string SearchName() const override { return qualified(owner_, name_); }

private:
    std::string name_, owner_, sqlName_;
};

class Column final : public NamedObject, public IKVL_Column, public IKVL_ColumnRules {
public:
    Column(TKVL_ColumnInfo info, std::string sqlName, bool inKey)
        : NamedObject(info.Name, "", std::move(sqlName)), info_(std::move(info)), inKey_(inKey) {}
    int DataTypeCode() const override { return info_.DataTypeCode; }
    bool NotNull() const override { return info_.NotNull; }
    std::string Length() const override { return info_.Length; }
    std::string Scale() const override { return info_.Scale; }
    std::string Precision() const override { return info_.Precision; }
    std::string DefaultValue() const override { return info_.DefaultValue; }
    bool Computed() const override { return info_.Computed; }
    bool IsIdentity() const override { return info_.IsIdentity; }
    std::string DataTypeText() const override { return info_.DataTypeText; }
    bool InPrimaryKey() const override { return inKey_; }
    std::vector<std::string> DomainChecks() const override { return info_.DomainChecks; }
    std::vector<std::string> EnumLabels() const override { return info_.EnumLabels; }
    int BytesPerCharacter() const override { return info_.BytesPerCharacter; }

private:
    TKVL_ColumnInfo info_;
    bool inKey_;
};

class Key final : public NamedObject, public IKVL_Key {
public:
    Key(std::string name, TKVL_InterfaceListRef columns)
        : NamedObject(name, "", name), columns_(std::move(columns)) {}
    TKVL_InterfaceListRef Columns() const override { return columns_; }

private:
    TKVL_InterfaceListRef columns_;
};

class ForeignKey final : public NamedObject, public IKVL_ForeignKey {
public:
    explicit ForeignKey(TKVL_ForeignKeyInfo info)
        : NamedObject(info.Name, "", info.Name), info_(std::move(info)) {}
    std::string ReferencedTable() const override { return info_.ReferencedTable; }
    std::string ReferencedTableOwner() const override { return info_.ReferencedOwner; }
    std::vector<std::string> ColumnNames() const override { return info_.Columns; }
    std::vector<std::string> ReferencedColumnNames() const override { return info_.ReferencedColumns; }
    bool Deferrable() const override { return info_.Deferrable; }

private:
    TKVL_ForeignKeyInfo info_;
};

class Index final : public NamedObject, public IKVL_Index {
public:
    Index(TKVL_IndexInfo info, std::string owner)
        : NamedObject(info.Name, std::move(owner), info.Name), info_(std::move(info)) {}
    bool Unique() const override { return info_.Unique; }
    std::vector<std::string> ColumnNames() const override { return info_.Columns; }

private:
    TKVL_IndexInfo info_;
};

class Trigger final : public NamedObject, public IKVL_Trigger {
public:
    using NamedObject::NamedObject;
};

class Generator final : public NamedObject, public IKVL_Generator {
public:
    Generator(std::string name, std::string owner, std::string sqlName, std::string display)
        : NamedObject(std::move(name), std::move(owner), std::move(sqlName)), display_(std::move(display)) {}
    std::string DisplayName() const override { return display_; }

private:
    std::string display_;
};

// What every catalogue object of one database shares: the source and its lock.
class CatalogueState {
public:
    explicit CatalogueState(std::shared_ptr<TKVL_CatalogueSource> from) : source(std::move(from)) {}
    std::shared_ptr<TKVL_CatalogueSource> source;
    std::recursive_mutex lock;
    std::string format(const std::string& name, const std::string& owner) const {
        if (name.empty()) return name;
        if (owner.empty() && isFormatted(name)) return name;
        std::string text = KVL_IsQuotedIdentifier(name) ? name : source->QuoteIdentifier(name);
        return owner.empty() ? text : source->QuoteIdentifier(owner) + "." + text;
    }
    // A text made by format: quoted or plain parts, owner-qualified ones joined by a full stop.
    bool isFormatted(const std::string& text) const {
        if (KVL_IsQuotedIdentifier(text)) return true;
        std::vector<std::string> parts;
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = start;
            if (end < text.size() && text[end] == '"') {
                end = text.find('"', end + 1);
                while (end != std::string::npos && end + 1 < text.size() && text[end + 1] == '"')
                    end = text.find('"', end + 2);
                if (end == std::string::npos) return false;
                ++end;
            } else {
                end = std::min(text.find('.', start), text.size());
            }
            parts.push_back(text.substr(start, end - start));
            if (end < text.size() && text[end] != '.') return false;
            start = end + 1;
        }
        if (parts.size() != 2) return false;
        for (const auto& part : parts)
            if (part.empty() || (!KVL_IsQuotedIdentifier(part) && source->QuoteIdentifier(part) != part))
                return false;
        return true;
    }
};

class Table final : public NamedObject, public IKVL_Table, public IKVL_Relation, public IKVL_TableRules {
public:
    Table(std::shared_ptr<CatalogueState> state, TKVL_ObjectName name)
        : NamedObject(name.Name, name.Owner, state->format(name.Name, name.Owner)), state_(std::move(state)),
          object_(std::move(name)) {}

    TKVL_InterfaceListRef Columns() const override { return detail().columns; }
    TKVL_InterfaceListRef Triggers() const override { return detail().triggers; }
    TKVL_InterfaceListRef Indices() const override { return detail().indices; }
    std::shared_ptr<IKVL_Key> PrimaryKey() const override { return detail().primaryKey; }
    TKVL_InterfaceListRef ForeignKeys() const override { return detail().foreignKeys; }
    std::string ReferenceName() const override { return Name(); }
    std::string FromName() const override { return SQLName(); }
    bool IsView() const { return object_.IsView; }
    std::vector<std::string> Checks() const override { return detail().checks; }
    std::vector<std::string> PartitionBounds() const override { return detail().partitionBounds; }

private:
    struct Detail {
        TKVL_InterfaceListRef columns, triggers, indices, foreignKeys;
        std::shared_ptr<IKVL_Key> primaryKey;
        std::vector<std::string> checks, partitionBounds;
    };

    const Detail& detail() const {
        std::lock_guard guard(state_->lock);
        if (detail_) return *detail_;
        TKVL_TableInfo info = state_->source->ReadTable(object_);
        auto d = std::make_unique<Detail>();
        d->columns = std::make_shared<TKVL_InterfaceList>();
        auto keyColumns = std::make_shared<TKVL_InterfaceList>();
        for (auto& c : info.Columns) {
            bool inKey = std::find(info.PrimaryKeyColumns.begin(), info.PrimaryKeyColumns.end(), c.Name) !=
                         info.PrimaryKeyColumns.end();
            std::string sqlName = state_->format(c.Name, "");
            d->columns->Add(std::make_shared<Column>(std::move(c), std::move(sqlName), inKey));
        }
        for (const auto& k : info.PrimaryKeyColumns)
            if (auto col = IList_ByName(d->columns, k, true)) keyColumns->Add(col);
        if (!info.PrimaryKeyColumns.empty())
            d->primaryKey = std::make_shared<Key>(info.PrimaryKeyName, keyColumns);
        d->indices = std::make_shared<TKVL_InterfaceList>();
        for (auto& i : info.Indices)
            d->indices->Add(std::make_shared<Index>(std::move(i), object_.Owner));
        d->triggers = std::make_shared<TKVL_InterfaceList>();
        for (auto& t : info.Triggers)
            d->triggers->Add(std::make_shared<Trigger>(t, object_.Owner, state_->format(t, "")));
        d->foreignKeys = std::make_shared<TKVL_InterfaceList>();
        for (auto& f : info.ForeignKeys)
            d->foreignKeys->Add(std::make_shared<ForeignKey>(std::move(f)));
        d->checks = std::move(info.Checks);
        d->partitionBounds = std::move(info.PartitionBounds);
        detail_ = std::move(d);
        return *detail_;
    }

    std::shared_ptr<CatalogueState> state_;
    TKVL_ObjectName object_;
    mutable std::unique_ptr<Detail> detail_;
};

class Database;

class Schema final : public NamedObject, public IKVL_Schema {
public:
    Schema(std::shared_ptr<CatalogueState> state, std::string name, std::weak_ptr<IKVL_Database> db)
        : NamedObject(name, "", name), state_(std::move(state)), db_(std::move(db)) {}

    TKVL_InterfaceListRef Tables() const override { return lists().tables; }
    TKVL_InterfaceListRef Relations() const override { return lists().relations; }
    TKVL_InterfaceListRef Generators() const override { return lists().generators; }
    TKVL_Capability Capability(int code) const override { return state_->source->Capability(code); }
    std::string KindDisplayName(int kind, bool plural) const override {
        return state_->source->KindDisplayName(kind, plural);
    }
    std::string FormatObjectName(const std::string& name, const std::string& owner, bool) const override {
        return state_->format(name, owner);
    }
    std::shared_ptr<IKVL_Database> Database() const override { return db_.lock(); }

    void Refresh() {
        std::lock_guard guard(state_->lock);
        lists_.reset();
    }

private:
    struct Lists {
        TKVL_InterfaceListRef tables, relations, generators;
    };

    const Lists& lists() const {
        std::lock_guard guard(state_->lock);
        if (lists_) return *lists_;
        auto l = std::make_unique<Lists>();
        l->tables = std::make_shared<TKVL_InterfaceList>();
        l->relations = std::make_shared<TKVL_InterfaceList>();
        l->generators = std::make_shared<TKVL_InterfaceList>();
        for (auto& name : state_->source->ReadRelations()) {
            auto table = std::make_shared<Table>(state_, name);
            if (!name.IsView) l->tables->Add(table);
            l->relations->Add(table);
        }
        for (auto& g : state_->source->ReadGenerators()) {
            std::string sqlName = state_->format(g.Name, g.Owner);
            l->generators->Add(std::make_shared<Generator>(g.Name, g.Owner, sqlName, qualifiedDisplay(g)));
        }
        lists_ = std::move(l);
        return *lists_;
    }

    std::string qualifiedDisplay(const TKVL_ObjectName& g) const {
        std::string def = state_->source->DefaultOwner();
        return (g.Owner.empty() || g.Owner == def) ? g.Name : g.Owner + "." + g.Name;
    }

    std::shared_ptr<CatalogueState> state_;
    std::weak_ptr<IKVL_Database> db_;
    mutable std::unique_ptr<Lists> lists_;
};

class Database final : public NamedObject,
                       public IKVL_Database,
                       public std::enable_shared_from_this<Database> {
public:
    explicit Database(std::shared_ptr<CatalogueState> state)
        : NamedObject(state->source->DatabaseName(), "", state->source->DatabaseName()),
          state_(std::move(state)) {}

    IInterfaceList ObjectsOfKind(int kind) const override {
        auto schema = schema_();
        switch (kind) {
        case okTable:
            return schema->Tables()->Items();
        case okRelation:
            return schema->Relations()->Items();
        case okGenerator:
            return schema->Generators()->Items();
        default:
            return {};
        }
    }
    std::shared_ptr<IKVL_Schema> DefaultSchema() const override { return schema_(); }
    TKVL_InterfaceListRef Schemas() const override {
        auto list = std::make_shared<TKVL_InterfaceList>();
        list->Add(schema_());
        return list;
    }
    void Refresh() override { schema_()->Refresh(); }

private:
    std::shared_ptr<Schema> schema_() const {
        std::lock_guard guard(state_->lock);
        if (!schema__)
            schema__ = std::make_shared<Schema>(state_, state_->source->DefaultOwner(),
                                                std::const_pointer_cast<Database>(shared_from_this()));
        return schema__;
    }

    std::shared_ptr<CatalogueState> state_;
    mutable std::shared_ptr<Schema> schema__;
};

} // namespace

std::shared_ptr<IKVL_Database> KVL_CreateCatalogue(std::shared_ptr<TKVL_CatalogueSource> source) {
    return std::make_shared<Database>(std::make_shared<CatalogueState>(std::move(source)));
}

} // namespace kvl
