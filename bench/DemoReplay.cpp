// Replays the rows that `tdg demo` inserted: reads them back, empties the demo tables and
// inserts the same values again through one plain prepared statement per table (SQLite, or
// PostgreSQL's client library), then, on PostgreSQL, once more with COPY. Prints one line
// "<method> <rows> <seconds>" per method, the seconds of the inserts alone, as the tdg summary
// counts them.
#include <libpq-fe.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Parents before children; emptied the other way round.
const char* const kTables[] = {"products", "customers", "addresses", "reviews", "orders", "order_lines"};
constexpr int kPerTransaction = 1000;

using TRow = std::vector<std::optional<std::string>>;

struct TTable {
    std::string Name;
    std::vector<std::string> Columns;
    std::vector<TRow> Rows;
};

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::string insertSql(const TTable& t, bool dollar) {
    std::string cols, marks;
    for (size_t i = 0; i < t.Columns.size(); ++i) {
        cols += (i ? ", " : "") + t.Columns[i];
        marks += (i ? ", " : "") + (dollar ? "$" + std::to_string(i + 1) : std::string("?"));
    }
    return "insert into " + t.Name + " (" + cols + ") values (" + marks + ")";
}

// SQLite keeps each value's own type, so the values are kept as SQLite values, not texts.
class TSqlite {
public:
    explicit TSqlite(const std::string& file) {
        if (sqlite3_open(file.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("cannot open " + file);
        // tdg's connections check the foreign keys the schema declares; the same work here
        exec("pragma foreign_keys = on");
    }
    ~TSqlite() {
        for (auto& rows : values_)
            for (auto& row : rows)
                for (sqlite3_value* v : row)
                    sqlite3_value_free(v);
        sqlite3_close(db_);
    }

    void Read() {
        for (const char* table : kTables) {
            sqlite3_stmt* st = prepare(std::string("select * from ") + table);
            TTable t{table, {}, {}};
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                t.Columns.push_back(sqlite3_column_name(st, c));
            std::vector<std::vector<sqlite3_value*>> rows;
            while (sqlite3_step(st) == SQLITE_ROW) {
                std::vector<sqlite3_value*> row;
                for (int c = 0; c < sqlite3_column_count(st); ++c)
                    row.push_back(sqlite3_value_dup(sqlite3_column_value(st, c)));
                rows.push_back(std::move(row));
            }
            sqlite3_finalize(st);
            tables_.push_back(std::move(t));
            values_.push_back(std::move(rows));
        }
    }

    void Empty() {
        for (auto it = std::rbegin(kTables); it != std::rend(kTables); ++it)
            exec(std::string("delete from ") + *it);
    }

    // rows inserted and seconds
    std::pair<long, double> Insert() {
        long count = 0;
        auto start = std::chrono::steady_clock::now();
        for (size_t t = 0; t < tables_.size(); ++t) {
            sqlite3_stmt* st = prepare(insertSql(tables_[t], false));
            exec("begin");
            for (size_t r = 0; r < values_[t].size(); ++r) {
                for (size_t c = 0; c < values_[t][r].size(); ++c)
                    sqlite3_bind_value(st, static_cast<int>(c + 1), values_[t][r][c]);
                if (sqlite3_step(st) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db_));
                sqlite3_reset(st);
                if (++count % kPerTransaction == 0) {
                    exec("commit");
                    exec("begin");
                }
            }
            exec("commit");
            sqlite3_finalize(st);
        }
        return {count, seconds(start)};
    }

private:
    sqlite3_stmt* prepare(const std::string& sql) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db_));
        return st;
    }
    void exec(const std::string& sql) {
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_));
    }

    sqlite3* db_ = nullptr;
    std::vector<TTable> tables_;
    std::vector<std::vector<std::vector<sqlite3_value*>>> values_;
};

// PostgreSQL takes every value as text in its own input form, as COPY does too.
class TPostgres {
public:
    explicit TPostgres(const std::string& uri) : conn_(PQconnectdb(uri.c_str())) {
        if (PQstatus(conn_) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(conn_));
    }
    ~TPostgres() { PQfinish(conn_); }

    void Read() {
        for (const char* table : kTables) {
            PGresult* res = PQexec(conn_, (std::string("select * from ") + table).c_str());
            if (PQresultStatus(res) != PGRES_TUPLES_OK) throw std::runtime_error(PQerrorMessage(conn_));
            TTable t{table, {}, {}};
            for (int c = 0; c < PQnfields(res); ++c)
                t.Columns.push_back(PQfname(res, c));
            for (int r = 0; r < PQntuples(res); ++r) {
                TRow row;
                for (int c = 0; c < PQnfields(res); ++c)
                    row.push_back(PQgetisnull(res, r, c) ? std::nullopt
                                                         : std::optional<std::string>(PQgetvalue(res, r, c)));
                t.Rows.push_back(std::move(row));
            }
            PQclear(res);
            tables_.push_back(std::move(t));
        }
    }

    void Empty() {
        for (auto it = std::rbegin(kTables); it != std::rend(kTables); ++it)
            exec(std::string("delete from ") + *it);
    }

    std::pair<long, double> Insert() {
        long count = 0;
        auto start = std::chrono::steady_clock::now();
        for (const TTable& t : tables_) {
            PGresult* res = PQprepare(conn_, t.Name.c_str(), insertSql(t, true).c_str(), 0, nullptr);
            check(res, PGRES_COMMAND_OK);
            exec("begin");
            std::vector<const char*> params(t.Columns.size());
            for (const TRow& row : t.Rows) {
                for (size_t c = 0; c < row.size(); ++c)
                    params[c] = row[c] ? row[c]->c_str() : nullptr;
                check(PQexecPrepared(conn_, t.Name.c_str(), static_cast<int>(params.size()), params.data(),
                                     nullptr, nullptr, 0),
                      PGRES_COMMAND_OK);
                if (++count % kPerTransaction == 0) {
                    exec("commit");
                    exec("begin");
                }
            }
            exec("commit");
            exec("deallocate " + t.Name);
        }
        return {count, seconds(start)};
    }

    std::pair<long, double> Copy() {
        long count = 0;
        auto start = std::chrono::steady_clock::now();
        for (const TTable& t : tables_) {
            std::string cols;
            for (size_t i = 0; i < t.Columns.size(); ++i)
                cols += (i ? ", " : "") + t.Columns[i];
            check(PQexec(conn_, ("copy " + t.Name + " (" + cols + ") from stdin").c_str()), PGRES_COPY_IN);
            std::string buffer;
            for (const TRow& row : t.Rows) {
                for (size_t c = 0; c < row.size(); ++c) {
                    if (c) buffer += '\t';
                    if (row[c])
                        appendEscaped(buffer, *row[c]);
                    else
                        buffer += "\\N";
                }
                buffer += '\n';
                ++count;
                if (buffer.size() > (1 << 16)) flush(buffer);
            }
            flush(buffer);
            if (PQputCopyEnd(conn_, nullptr) != 1) throw std::runtime_error(PQerrorMessage(conn_));
            check(PQgetResult(conn_), PGRES_COMMAND_OK);
        }
        return {count, seconds(start)};
    }

private:
    static void appendEscaped(std::string& out, const std::string& value) {
        for (char ch : value) {
            if (ch == '\\' || ch == '\t' || ch == '\n' || ch == '\r') {
                out += '\\';
                out += ch == '\t' ? 't' : ch == '\n' ? 'n' : ch == '\r' ? 'r' : '\\';
            } else {
                out += ch;
            }
        }
    }
    void flush(std::string& buffer) {
        if (!buffer.empty() && PQputCopyData(conn_, buffer.data(), static_cast<int>(buffer.size())) != 1)
            throw std::runtime_error(PQerrorMessage(conn_));
        buffer.clear();
    }
    void check(PGresult* res, ExecStatusType expected) {
        bool ok = PQresultStatus(res) == expected;
        PQclear(res);
        if (!ok) throw std::runtime_error(PQerrorMessage(conn_));
    }
    void exec(const std::string& sql) { check(PQexec(conn_, sql.c_str()), PGRES_COMMAND_OK); }

    PGconn* conn_;
    std::vector<TTable> tables_;
};

void print(const char* method, std::pair<long, double> result) {
    std::printf("%s %ld %.3f\n", method, result.first, result.second);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tdg_demo_replay sqlite FILE | postgresql URI\n");
        return 2;
    }
    try {
        std::string engine = argv[1];
        if (engine == "sqlite") {
            TSqlite db(argv[2]);
            db.Read();
            db.Empty();
            print("plain", db.Insert());
            return 0;
        }
        TPostgres db(argv[2]);
        db.Read();
        db.Empty();
        print("plain", db.Insert());
        db.Empty();
        print("copy", db.Copy());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tdg_demo_replay: %s\n", e.what());
        return 1;
    }
}
