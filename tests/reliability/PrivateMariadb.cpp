#include "PrivateMariadb.h"

#include "FillKit.h"

#include "base/Exceptions.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

namespace kvl::test {

namespace fs = std::filesystem;

namespace {
const char* const ServerProgram = "/usr/sbin/mariadbd";
const char* const Database = "kvl_loss";

// The account the server runs as, and the one whose socket login the install grants.
std::string owner() {
    if (geteuid() == 0) return "mysql";
    const passwd* me = getpwuid(geteuid());
    return me ? me->pw_name : "";
}
std::string socketUser() {
    return geteuid() == 0 ? "root" : owner();
}
} // namespace

TPrivateMariadb::TPrivateMariadb() {
    if (!fs::exists(ServerProgram) || RunCommand("command -v mariadb-install-db >/dev/null") != 0) {
        unavailable_ = "no MariaDB server (package mariadb-server)";
        return;
    }
    char pattern[] = "/tmp/kvl_private_my_XXXXXX";
    if (!mkdtemp(pattern)) {
        unavailable_ = "no temporary folder for the server";
        return;
    }
    dir_ = pattern;
    password_ = RandomHex(12);
    port_ = FreeLoopbackPort();
    if (geteuid() == 0 && RunCommand("chown mysql " + dir_) != 0) {
        unavailable_ = "cannot hand " + dir_ + " to the user mysql";
        return;
    }
    const std::string asOwner = geteuid() == 0 ? "runuser -u mysql -- " : "";
    if (RunCommand(asOwner + "mariadb-install-db --no-defaults --user=" + owner() + " --datadir=" + dir_ +
                   "/data --auth-root-authentication-method=socket --skip-test-db >" + dir_ +
                   "/install.log 2>&1") != 0) {
        unavailable_ = "mariadb-install-db failed: " + ReadAll(dir_ + "/install.log");
        return;
    }
    try {
        Start();
        if (!administer(std::string("create database ") + Database))
            throw Exception("the private MariaDB server did not take its database");
    } catch (const std::exception& e) {
        unavailable_ = e.what();
    }
}

TPrivateMariadb::~TPrivateMariadb() {
    StopImmediately();
    std::error_code ignored;
    if (!dir_.empty()) fs::remove_all(dir_, ignored);
}

bool TPrivateMariadb::administer(const std::string& sql) const {
    return RunCommand("mariadb --no-defaults --socket=" + dir_ + "/s.sock -u" + socketUser() + " -e \"" +
                      sql + "\" >>" + dir_ + "/admin.log 2>&1") == 0;
}

bool TPrivateMariadb::answers() const {
    return RunCommand("mariadb --no-defaults --socket=" + dir_ + "/s.sock -u" + socketUser() +
                      " -e 'select 1' >/dev/null 2>&1") == 0;
}

std::string TPrivateMariadb::Uri(const std::string& clientName) const {
    if (clients_.insert(clientName).second) {
        const std::string account = "'" + clientName + "'@'127.0.0.1'";
        if (!administer("create user " + account + " identified by '" + password_ +
                        "'; grant all on *.* to " + account))
            throw Exception("the private MariaDB server did not take the account " + clientName + ": " +
                            ReadAll(dir_ + "/admin.log"));
    }
    return "mariadb://" + clientName + ":" + password_ + "@127.0.0.1:" + std::to_string(port_) + "/" +
           Database;
}

void TPrivateMariadb::Start() {
    const std::string log = dir_ + "/server.err";
    pid_t pid = fork();
    if (pid < 0) throw Exception("the private MariaDB server could not be started");
    if (pid == 0) {
        int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (out >= 0) {
            dup2(out, 1);
            dup2(out, 2);
        }
        // Commits reach the log file before they are confirmed, so that a killed server keeps
        // them; the disk is not waited for, as no machine crash is simulated.
        const std::string args[] = {"--no-defaults",
                                    "--user=" + owner(),
                                    "--datadir=" + dir_ + "/data",
                                    "--socket=" + dir_ + "/s.sock",
                                    "--port=" + std::to_string(port_),
                                    "--bind-address=127.0.0.1",
                                    "--skip-name-resolve",
                                    "--skip-log-bin",
                                    "--innodb-flush-log-at-trx-commit=2",
                                    "--character-set-server=utf8mb4"};
        std::vector<char*> argv{const_cast<char*>(ServerProgram)};
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(ServerProgram, argv.data());
        _exit(127);
    }
    pid_ = pid;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!answers()) {
        const bool exited = waitpid(pid_, nullptr, WNOHANG) == pid_;
        if (exited) pid_ = 0;
        if (exited || std::chrono::steady_clock::now() > until) {
            StopImmediately();
            throw Exception("the private MariaDB server did not start: " + ReadAll(log));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void TPrivateMariadb::StopImmediately() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
}

void TPrivateMariadb::KillSessions(const std::string& clientName) {
    auto killer = KVL_OpenConnection(Uri("kvl_killer"));
    killer->ExecuteCommand("CUSTOM", "kill connection user '" + clientName + "'");
}

} // namespace kvl::test
