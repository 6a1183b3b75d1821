#include "Demo.h"

#include "UTFillConstants.h"
#include "UTFillObject/TBoolBitFillField.h"
#include "UTFillObject/TDateFillField.h"
#include "UTFillObject/TFloatFillField.h"
#include "UTFillObject/TGUIDFillField.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "base/DateTime.h"
#include "base/StringList.h"
#include "base/SysUtils.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace {

const char* const kDemoTables[] = {"reviews", "order_lines", "orders", "products", "addresses", "customers"};

// A server database keeps its other tables; only the demo's own are dropped, children first.
void dropDemoTables(kvl::TKVL_Connection& connection) {
    for (const char* table : kDemoTables) {
        try {
            connection.ExecuteCommand("CUSTOM", std::string("drop table ") + table);
        } catch (const std::exception&) {
            // not there yet
        }
    }
}

} // namespace

void CreateDemoSchema(const std::string& connectionString) {
    bool sqlite = connectionString.rfind("sqlite:", 0) == 0;
    if (sqlite) std::filesystem::remove(connectionString.substr(7));
    auto connection = kvl::KVL_OpenConnection(connectionString);
    if (!sqlite) dropDemoTables(*connection);
    const std::string timestamp = sqlite ? "datetime" : "timestamp";
    const std::string statements[] = {
        "create table customers (id integer primary key, first_name varchar(30) not null, "
        "last_name varchar(40) not null, email varchar(80) unique, phone varchar(30), country varchar(60), "
        "born date, credit_limit decimal(10,2) default 0 check (credit_limit >= 0), "
        "rating smallint check (rating between 1 and 5))",
        "create table addresses (id integer primary key, customer_id integer not null references "
        "customers(id), "
        "street varchar(80) not null, city varchar(60) not null, country varchar(60))",
        "create table products (id integer primary key, code varchar(20) not null unique, "
        "name varchar(60) not null, price decimal(10,2) default 9.99 not null check (price > 0), "
        "stock integer not null check (stock >= 0))",
        "create table orders (id integer primary key, customer_id integer not null references customers(id), "
        "address_id integer references addresses(id), ordered_at " +
            timestamp +
            " default current_timestamp not null, "
            "status varchar(12) not null check (status in ('new', 'paid', 'shipped', 'cancelled')))",
        "create table order_lines (order_id integer not null references orders(id), line_no integer not "
        "null, "
        "product_id integer not null references products(id), quantity integer not null check (quantity > "
        "0), "
        "primary key (order_id, line_no))",
        "create table reviews (id integer primary key, product_id integer not null references products(id), "
        "customer_id integer references customers(id), stars smallint not null check (stars between 1 and "
        "5), "
        "remark varchar(200))",
        "create index orders_customer on orders(customer_id)",
    };
    for (const std::string& sql : statements)
        connection->ExecuteCommand("CUSTOM", sql);
}

namespace {

const std::map<std::string, int32_t>& textKinds() {
    static const std::map<std::string, int32_t> kinds = {
        {"first_name", fillGenerator},
        {"firstname", fillGenerator},
        {"last_name", fillLastNames},
        {"lastname", fillLastNames},
        {"surname", fillLastNames},
        {"name", fillFullNames},
        {"full_name", fillFullNames},
        {"email", fillEmail},
        {"e_mail", fillEmail},
        {"mail", fillEmail},
        {"phone", fillPhone},
        {"telephone", fillPhone},
        {"city", fillCities},
        {"town", fillCities},
        {"country", fillCountries},
        {"street", fillAddresses},
        {"address", fillAddresses},
        {"url", fillURL},
        {"website", fillURL},
        {"homepage", fillURL},
        {"guid", fillGUID},
        {"uuid", fillGUID},
    };
    return kinds;
}

void linkForeignKeys(TFillProject& project) {
    auto table = kvl::Supports<kvl::IKVL_Table>(project.TableObject);
    if (!table || !table->ForeignKeys()) return;
    for (const auto& item : *table->ForeignKeys()) {
        auto fk = kvl::Supports<kvl::IKVL_ForeignKey>(item);
        auto columns = fk->ColumnNames();
        auto referenced = fk->ReferencedColumnNames();
        for (size_t i = 0; i < columns.size() && i < referenced.size(); ++i)
            for (auto& f : project.GetFillFields())
                if (kvl::SameText(f->ColumnName, columns[i])) {
                    f->FillType = fillReferential;
                    f->RefTable = fk->ReferencedTable();
                    f->RefTableOwner = fk->ReferencedTableOwner();
                    f->RefColumn = referenced[i];
                }
    }
}

void setInteger(TIntegerFillField& f, bool key) {
    if (key) {
        f.FillType = fillIncreasing;
        f.RangeFrom = 1;
        f.StaticValue = 1;
        return;
    }
    f.FillType = fillRandom;
    f.RangeFrom = 1;
    f.RangeTo = f.DataTypeName == "SmallInt" ? 5 : 1000;
}

// Fixed bounds rather than "the last ten years": a seed then gives the same dates on any day.
void setDate(TDateFillField& f) {
    f.FillType = fillRandom;
    f.DateFrom = kvl::EncodeDate(2015, 1, 1);
    f.DateTo = kvl::EncodeDate(2025, 12, 31);
    f.TimeFrom = 0;
    f.TimeTo = 86399.0 / 86400.0;
}

void setText(TTextFillField& f) {
    if (auto kind = textKinds().find(kvl::LowerCase(f.ColumnName)); kind != textKinds().end()) {
        f.FillType = kind->second;
        return;
    }
    f.FillType = fillRandomText;
    int32_t longest = f.Size > 0 ? std::min(f.Size, 20) : 20;
    f.LengthFrom = std::min(longest, 5);
    f.LengthTo = longest;
}

// Every column a user could fill gets a kind by its type; computed and identity columns are
// left to the server, BLOBs need files of the user's.
void setColumn(TCustomFillField& f, bool key) {
    if (f.Column && (f.Column->Computed() || f.Column->IsIdentity())) return;
    if (auto* i = dynamic_cast<TIntegerFillField*>(&f)) {
        setInteger(*i, key);
    } else if (auto* r = dynamic_cast<TFloatFillField*>(&f)) {
        r->FillType = fillRandom;
        r->RangeFrom = 1;
        r->RangeTo = 1000;
    } else if (auto* d = dynamic_cast<TDateFillField*>(&f)) {
        setDate(*d);
    } else if (auto* t = dynamic_cast<TTextFillField*>(&f)) {
        setText(*t);
    } else if (dynamic_cast<TBoolBitFillField*>(&f)) {
        f.FillType = fillRandom;
    } else if (dynamic_cast<TGUIDFillField*>(&f)) {
        f.FillType = fillGUID;
    }
}

} // namespace

void ApplySensibleSettings(TFillProjects& projects) {
    for (TFillProject* project : projects.Projects) {
        project->doFill = true;
        auto table = kvl::Supports<kvl::IKVL_Table>(project->TableObject);
        auto key = table ? table->PrimaryKey() : nullptr;
        for (auto& f : project->GetFillFields()) {
            bool inKey = f->Column && f->Column->InPrimaryKey();
            bool soleKey = inKey && key && key->Columns()->Count() == 1;
            setColumn(*f, soleKey || kvl::LowerCase(f->ColumnName) == "line_no");
            if (!f->Nullable || inKey || f->FillType == fillNothing) continue;
            f->IncludeNulls = true;
            f->NullPercentage = 5;
        }
        linkForeignKeys(*project);
    }
}

void ApplyDemoSettings(TFillProjects& projects, int32_t rows) {
    ApplySensibleSettings(projects);
    const std::map<std::string, double> share = {{"customers", 0.2}, {"addresses", 0.3},   {"products", 0.05},
                                                 {"orders", 0.5},    {"order_lines", 1.0}, {"reviews", 0.3}};
    for (TFillProject* p : projects.Projects) {
        // servers that fold names to upper case report ORDERS for orders
        std::string table = kvl::LowerCase(p->TableName);
        if (auto s = share.find(table); s != share.end())
            p->Rows = std::max(1, static_cast<int32_t>(rows * s->second));
        if (table != "orders") continue;
        for (auto& f : p->GetFillFields())
            if (kvl::SameText(f->ColumnName, "status")) {
                f->FillType = fillList;
                f->ListValues.SetText("new\npaid\nshipped\ncancelled");
            }
    }
}
