#include "Demo.h"

#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "base/SysUtils.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"
#include "uSettingsGuess.h"
#include "uTDGFillPlan.h"

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

void ApplySensibleSettings(TFillProjects& projects) {
    GuessSettings(projects);
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
        else
            p->SetdoFill(false); // a table of the user's database, not the demo's
    }
    // the same order and keys as tdg init would write for these tables
    projects.PlanTables();
    GuessPlanKeys(projects);
}
