#pragma once
#include <memory>
#include <string>
#include <vector>

namespace kvl {

// Catalogue objects are reference counted; a list holds counted references.
class IKVL_BaseInterface;
using IKVL_Ref = std::shared_ptr<IKVL_BaseInterface>;
using IInterfaceList = std::vector<IKVL_Ref>;

// Object kinds of ObjectsOfKind and KindDisplayName.
enum TKVL_ObjectKind : int {
    okTable = 2,
    okView = 3,
    okRelation = 4,
    okIndex = 6,
    okTrigger = 7,
    okGenerator = 11
};

// Capability codes of IKVL_Schema::Capability.
enum TKVL_CapabilityCode : int {
    capForeignKeys = 4, // Available: the catalogue reports foreign keys
    capSchemas = 6,     // Supported: objects live in named schemas, names may be owner-qualified
    capOwners = 8,      // Supported: objects have owners that qualify their names
    capSequences = 11,  // Present: the schema has sequence (generator) objects
};

struct TKVL_Capability {
    bool Supported = false;
    bool Present = false;
    bool Available = false;
};

class IKVL_BaseInterface {
public:
    virtual ~IKVL_BaseInterface() = default;
    virtual std::string Name() const = 0;
    virtual std::string SQLName() const = 0; // identifier text for SQL
    virtual std::string OwnerName() const = 0;
    virtual std::string DisplayName() const = 0;
    virtual std::string SearchName() const = 0; // owner-qualified where owners exist
    IKVL_BaseInterface* ObjectRef() { return this; }
};

// A list with a count and items by index; nil lists count as empty.
class TKVL_InterfaceList {
public:
    TKVL_InterfaceList() = default;
    explicit TKVL_InterfaceList(IInterfaceList items) : items_(std::move(items)) {}
    int Count() const { return static_cast<int>(items_.size()); }
    const IKVL_Ref& Get(int index) const { return items_.at(static_cast<size_t>(index)); }
    void Add(IKVL_Ref item) { items_.push_back(std::move(item)); }
    const IInterfaceList& Items() const { return items_; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    IInterfaceList items_;
};
using TKVL_InterfaceListRef = std::shared_ptr<TKVL_InterfaceList>;

class IKVL_Column : public virtual IKVL_BaseInterface {
public:
    virtual int DataTypeCode() const = 0;
    virtual bool NotNull() const = 0;
    virtual std::string Length() const = 0;
    virtual std::string Scale() const = 0;
    virtual std::string Precision() const = 0;
    virtual std::string DefaultValue() const = 0;
    virtual bool Computed() const = 0;
    virtual bool IsIdentity() const = 0;
    virtual std::string DataTypeText() const = 0;
    virtual bool InPrimaryKey() const = 0;
};

// What a column's values keep to beyond its type. Conditions are SQL texts as the server gives
// them back; a domain's name their value VALUE.
class IKVL_ColumnRules : public virtual IKVL_BaseInterface {
public:
    virtual std::vector<std::string> DomainChecks() const = 0;
    virtual std::vector<std::string> EnumLabels() const = 0; // the values an enum type allows, in order
    // 1 where the length counts the bytes of a one-byte character set, 0 where it counts characters
    virtual int BytesPerCharacter() const = 0;
};

class IKVL_Key : public virtual IKVL_BaseInterface {
public:
    virtual TKVL_InterfaceListRef Columns() const = 0; // the key's columns in key order
};

class IKVL_ForeignKey : public virtual IKVL_BaseInterface {
public:
    virtual std::string ReferencedTable() const = 0;
    virtual std::string ReferencedTableOwner() const = 0;
    virtual std::vector<std::string> ColumnNames() const = 0;
    virtual std::vector<std::string> ReferencedColumnNames() const = 0;
    // Declared so that its check may wait until the commit, where the engine can defer it.
    virtual bool Deferrable() const { return false; }
};

class IKVL_Index : public virtual IKVL_BaseInterface {
public:
    virtual bool Unique() const = 0;
    virtual std::vector<std::string> ColumnNames() const = 0;
};

class IKVL_Trigger : public virtual IKVL_BaseInterface {};

class IKVL_Generator : public virtual IKVL_BaseInterface {};

class IKVL_Relation : public virtual IKVL_BaseInterface {
public:
    virtual std::string FromName() const = 0; // identifier text for a FROM clause
};

class IKVL_Table : public virtual IKVL_BaseInterface {
public:
    virtual TKVL_InterfaceListRef Columns() const = 0;
    virtual TKVL_InterfaceListRef Triggers() const = 0;       // may be nil
    virtual TKVL_InterfaceListRef Indices() const = 0;        // may be nil
    virtual std::shared_ptr<IKVL_Key> PrimaryKey() const = 0; // nil without a primary key
    virtual TKVL_InterfaceListRef ForeignKeys() const = 0;
    virtual std::string ReferenceName() const = 0; // the name as foreign keys write the referenced table
};

// Conditions every row of a table meets: its CHECK constraints, table and column level, and the
// bounds of its partitions (a row meets one partition's), where rows land in partitions by value
// and none takes the rest.
class IKVL_TableRules : public virtual IKVL_BaseInterface {
public:
    virtual std::vector<std::string> Checks() const = 0;
    virtual std::vector<std::string> PartitionBounds() const = 0;
};

// Objects that are listed among tables but take no part in ordering by foreign keys.
class IKVL_View : public virtual IKVL_BaseInterface {};
class IKVL_SystemTable : public virtual IKVL_BaseInterface {};

class IKVL_Database;

class IKVL_Schema : public virtual IKVL_BaseInterface {
public:
    virtual TKVL_InterfaceListRef Tables() const = 0;
    virtual TKVL_InterfaceListRef Relations() const = 0;
    virtual TKVL_InterfaceListRef Generators() const = 0;
    virtual TKVL_Capability Capability(int code) const = 0;
    virtual std::string KindDisplayName(int kind, bool plural) const = 0;
    // Quoted as the server needs, qualified by the owner when one is given; a text that is
    // already a formatted identifier comes back unchanged.
    virtual std::string FormatObjectName(const std::string& name, const std::string& owner,
                                         bool forDisplay) const = 0;
    virtual std::shared_ptr<IKVL_Database> Database() const = 0;
};

class IKVL_Database : public virtual IKVL_BaseInterface {
public:
    virtual IInterfaceList ObjectsOfKind(int kind) const = 0;
    virtual std::shared_ptr<IKVL_Schema> DefaultSchema() const = 0;
    virtual TKVL_InterfaceListRef Schemas() const = 0;
    // Forgets what was read, so the next request reads the server's catalogue again.
    virtual void Refresh() = 0;
};

// The object whose SearchName (IList_BySearchName) or Name (IList_ByName) equals name; nil otherwise.
IKVL_Ref IList_BySearchName(const IInterfaceList& list, const std::string& name, bool caseSensitive);
IKVL_Ref IList_ByName(const IInterfaceList& list, const std::string& name, bool caseSensitive);
IKVL_Ref IList_BySearchName(const TKVL_InterfaceListRef& list, const std::string& name, bool caseSensitive);
IKVL_Ref IList_ByName(const TKVL_InterfaceListRef& list, const std::string& name, bool caseSensitive);

template <class I> bool ObjectSupports(const IKVL_Ref& object) {
    return dynamic_cast<I*>(object.get()) != nullptr;
}

template <class I> std::shared_ptr<I> Supports(const IKVL_Ref& object) {
    return std::dynamic_pointer_cast<I>(object);
}

} // namespace kvl
