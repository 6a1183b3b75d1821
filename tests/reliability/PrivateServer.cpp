#include "PrivateServer.h"

#include "FillKit.h"

#include "base/Exceptions.h"
#include "base/SysUtils.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <thread>

namespace kvl::test {

namespace fs = std::filesystem;

TPrivateServer::TPrivateServer(const std::string& kind) {
    std::string pattern = "/tmp/kvl_private_" + kind + "_XXXXXX";
    if (!mkdtemp(pattern.data())) {
        unavailable_ = "no temporary folder for the server";
        return;
    }
    dir_ = pattern;
    std::random_device device;
    password_ = std::to_string(device()) + "x" + std::to_string(device());
    // a port nobody listens on now; the server takes it a moment later
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (s >= 0 && bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port_ = ntohs(address.sin_port);
    if (s >= 0) close(s);
}

TPrivateServer::~TPrivateServer() {
    StopImmediately();
    std::error_code ignored;
    if (!dir_.empty()) fs::remove_all(dir_, ignored);
}

bool TPrivateServer::run(const std::string& command, bool asOwner) const {
    if (!asOwner || geteuid() != 0) return std::system(command.c_str()) == 0;
    std::string quoted;
    for (char c : command)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return std::system(("runuser -u " + owner_ + " -- sh -c '" + quoted + "'").c_str()) == 0;
}

void TPrivateServer::must(const std::string& step, const std::string& command, bool asOwner) const {
    const std::string log = dir_ + "/" + step + ".log";
    if (!run(command + " >" + log + " 2>&1", asOwner)) throw Exception(step + " failed: " + ReadAll(log));
}

void TPrivateServer::startAfter(const std::function<void()>& setUp) {
    if (!unavailable_.empty()) return;
    try {
        if (geteuid() == 0 && !owner_.empty()) must("chown", "chown -R " + owner_ + " " + dir_);
        setUp();
        Start();
    } catch (const std::exception& e) {
        unavailable_ = e.what();
    }
}

void TPrivateServer::spawn(const std::string& command, const std::function<bool()>& ready) {
    const std::string log = dir_ + "/server.log";
    // the shell gives way to the server, so that the child to kill is the server itself
    const std::string line = "exec " + command + " >>" + log + " 2>&1";
    pid_ = fork();
    if (pid_ < 0) throw Exception("the private server could not be started");
    if (pid_ == 0) {
        execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!ready()) {
        const bool exited = waitpid(pid_, nullptr, WNOHANG) == pid_;
        if (exited) pid_ = 0;
        if (exited || std::chrono::steady_clock::now() > until) {
            StopImmediately();
            throw Exception("the private server did not start: " + ReadAll(log));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void TPrivateServer::StopImmediately() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
}

namespace {

// A PostgreSQL cluster, run through pg_ctl; the client's name is the application name.
class TPrivateCluster final : public TPrivateServer {
public:
    TPrivateCluster() : TPrivateServer("pg") {
        const char* bin = std::getenv("KVL_PG_BIN");
        bin_ = bin ? bin : "/usr/lib/postgresql/15/bin";
        owner_ = "postgres";
        startAfter([this] {
            if (!fs::exists(fs::path(bin_) / "initdb"))
                throw Exception("no PostgreSQL server programs in " + bin_);
            fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
            const std::string pwfile = dir_ + "/pwfile";
            std::ofstream(pwfile) << password_ << "\n";
            must("initdb",
                 bin_ + "/initdb -D " + dir_ + "/data -U postgres --pwfile=" + pwfile +
                     " --auth-local=trust --auth-host=scram-sha-256 -E UTF8 --locale=C.UTF-8",
                 true);
            fs::remove(pwfile);
        });
    }
    ~TPrivateCluster() override {
        if (fs::exists(dir_ + "/data/postmaster.pid"))
            run(bin_ + "/pg_ctl -D " + dir_ + "/data -m immediate -w stop >/dev/null 2>&1", true);
    }

    std::string Uri(const std::string& clientName) const override {
        return "postgresql://postgres:" + password_ + "@127.0.0.1:" + std::to_string(port_) +
               "/postgres?application_name=" + clientName + "&connect_timeout=10";
    }
    void Start() override {
        // Commits reach the server's files before they are confirmed, so that an immediate stop
        // keeps them; fsync stays off, as no machine crash is simulated.
        const std::string options = "-k " + dir_ + " -p " + std::to_string(port_) +
                                    " -c listen_addresses=127.0.0.1 -c fsync=off -c synchronous_commit=on";
        must("pg_ctl",
             bin_ + "/pg_ctl -D " + dir_ + "/data -l " + dir_ + "/log -w -t 30 -o '" + options + "' start",
             true);
    }
    void StopImmediately() override {
        must("pg_ctl", bin_ + "/pg_ctl -D " + dir_ + "/data -m immediate -w -t 30 stop", true);
    }
    void KillSessions(const std::string& clientName) override {
        KVL_OpenConnection(Uri("kvl_killer"))
            ->ExecuteCommand("CUSTOM", "select pg_terminate_backend(pid) from pg_stat_activity "
                                       "where application_name = '" +
                                           clientName + "'");
    }

private:
    std::string bin_;
};

// A Firebird server with its own configuration, security database and lock folder. Firebird 3
// has no client name of a session: every client reaches the same database, and a kill ends every
// user session but the killer's own.
class TPrivateFirebird final : public TPrivateServer {
public:
    TPrivateFirebird() : TPrivateServer("fb") {
        startAfter([this] {
            if (!fs::exists(Program) || !fs::exists(SystemSecurity))
                throw Exception("no Firebird server (package firebird3.0-server)");
            configure();
        });
    }

    std::string Uri(const std::string&) const override {
        return "firebird://127.0.0.1:" + std::to_string(port_) + dir_ +
               "/test.fdb?user=SYSDBA&password=" + password_;
    }
    void Start() override {
        spawn("env FIREBIRD=" + dir_ + " FIREBIRD_LOCK=" + dir_ + "/lock " + Program, [this] {
            try {
                return KVL_OpenConnection(Uri("")) != nullptr;
            } catch (const std::exception&) {
                return false;
            }
        });
    }
    void KillSessions(const std::string&) override {
        KVL_OpenConnection(Uri("kvl_killer"))
            ->ExecuteCommand("CUSTOM", "delete from mon$attachments where mon$attachment_id <> "
                                       "current_connection and mon$system_flag = 0");
    }
    std::string Identifier(const std::string& name) const override { return UpperCase(name); }

private:
    static constexpr const char* Program = "/usr/sbin/firebird";
    static constexpr const char* SystemSecurity = "/var/lib/firebird/3.0/system/security3.fdb";

    void configure() {
        fs::create_directories(dir_ + "/lock");
        for (const char* file : {"fbintl.conf", "plugins.conf"})
            fs::copy_file(fs::path("/etc/firebird/3.0") / file, fs::path(dir_) / file);
        std::ofstream(dir_ + "/firebird.conf")
            << "RemoteServicePort = " << port_ << "\nRemoteBindAddress = 127.0.0.1\nServerMode = Super\n"
            << "SecurityDatabase = " << dir_ << "/security3.fdb\n";
        std::ofstream(dir_ + "/databases.conf") << "security.db = " << dir_ << "/security3.fdb\n";
        fs::copy_file(SystemSecurity, dir_ + "/security3.fdb");
        // Embedded, before the server runs: the security database and the test database get their
        // administrator's password and owner.
        std::ofstream(dir_ + "/setup.sql")
            << "create or alter user SYSDBA password '" << password_
            << "' using plugin Srp;\ncommit;\ncreate database '" << dir_ << "/test.fdb' user 'SYSDBA';\n";
        must("isql", "FIREBIRD=" + dir_ + " FIREBIRD_LOCK=" + dir_ + "/lock isql-fb -q -user SYSDBA " + dir_ +
                         "/security3.fdb -i " + dir_ + "/setup.sql");
    }
};

// A MariaDB server with its own data folder and socket. Sessions carry no client name the server
// shows, so each client is an account of its own, made on first use.
class TPrivateMariadb final : public TPrivateServer {
public:
    TPrivateMariadb() : TPrivateServer("my") {
        owner_ = "mysql";
        startAfter([this] {
            if (!fs::exists(Program) || !run("command -v mariadb-install-db >/dev/null"))
                throw Exception("no MariaDB server (package mariadb-server)");
            must("install",
                 "mariadb-install-db --no-defaults --user=" + user() + " --datadir=" + dir_ +
                     "/data --auth-root-authentication-method=socket --skip-test-db",
                 true);
        });
    }

    std::string Uri(const std::string& clientName) const override {
        if (clients_.insert(clientName).second) {
            const std::string account = "'" + clientName + "'@'127.0.0.1'";
            must("account", admin("create user " + account + " identified by '" + password_ +
                                  "'; grant all on *.* to " + account));
        }
        return "mariadb://" + clientName + ":" + password_ + "@127.0.0.1:" + std::to_string(port_) + "/" +
               Database;
    }
    void Start() override {
        // Commits reach the log file before they are confirmed, so that a killed server keeps
        // them; the disk is not waited for, as no machine crash is simulated.
        spawn(std::string(Program) + " --no-defaults --user=" + user() + " --datadir=" + dir_ +
                  "/data --socket=" + dir_ + "/s.sock --port=" + std::to_string(port_) +
                  " --bind-address=127.0.0.1 --skip-name-resolve --skip-log-bin "
                  "--innodb-flush-log-at-trx-commit=2 --character-set-server=utf8mb4",
              [this] { return run(admin("select 1") + " >/dev/null 2>&1"); });
        must("database", admin(std::string("create database if not exists ") + Database));
    }
    void KillSessions(const std::string& clientName) override {
        KVL_OpenConnection(Uri("kvl_killer"))
            ->ExecuteCommand("CUSTOM", "kill connection user '" + clientName + "'");
    }

private:
    static constexpr const char* Program = "/usr/sbin/mariadbd";
    static constexpr const char* Database = "kvl_loss";

    // The account the server runs as; as root, the install grants root the socket login.
    static std::string user() {
        if (geteuid() == 0) return "mysql";
        const passwd* me = getpwuid(geteuid());
        return me ? me->pw_name : "";
    }
    // The client's command that runs SQL as the server's all-powerful account, over the socket.
    std::string admin(const std::string& sql) const {
        return "mariadb --no-defaults --socket=" + dir_ + "/s.sock -u" + (geteuid() == 0 ? "root" : user()) +
               " -e \"" + sql + "\"";
    }

    mutable std::set<std::string> clients_;
};

} // namespace

std::unique_ptr<TPrivateServer> StartPrivateServer(const std::string& engine) {
    if (engine == "PostgreSQL") return std::make_unique<TPrivateCluster>();
    if (engine == "Firebird") return std::make_unique<TPrivateFirebird>();
    return std::make_unique<TPrivateMariadb>();
}

} // namespace kvl::test
