#include "PrivateCluster.h"

#include "base/Exceptions.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

namespace kvl::test {

namespace fs = std::filesystem;

int RunCommand(const std::string& command) {
    return std::system(command.c_str());
}

int FreeLoopbackPort() {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(s);
    return port;
}

std::string RandomHex(int bytes) {
    std::random_device device;
    std::string out;
    for (int i = 0; i < bytes; ++i) {
        static const char digits[] = "0123456789abcdef";
        unsigned v = device() & 0xff;
        out += digits[v >> 4];
        out += digits[v & 15];
    }
    return out;
}

TPrivateCluster::TPrivateCluster() {
    const char* bin = std::getenv("KVL_PG_BIN");
    bin_ = bin ? bin : "/usr/lib/postgresql/15/bin";
    if (!fs::exists(fs::path(bin_) / "initdb")) {
        unavailable_ = "no PostgreSQL server programs in " + bin_;
        return;
    }
    char pattern[] = "/tmp/kvl_private_pg_XXXXXX";
    if (!mkdtemp(pattern)) {
        unavailable_ = "no temporary folder for the cluster";
        return;
    }
    dir_ = pattern;
    fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    password_ = RandomHex(12);
    const std::string pwfile = dir_ + "/pwfile";
    std::ofstream(pwfile) << password_ << "\n";
    if (geteuid() == 0 && RunCommand("chown -R postgres " + dir_) != 0) {
        unavailable_ = "cannot hand " + dir_ + " to the user postgres";
        return;
    }
    if (RunCommand(asOwner(bin_ + "/initdb -D " + dir_ + "/data -U postgres --pwfile=" + pwfile +
                           " --auth-local=trust --auth-host=scram-sha-256 -E UTF8 --locale=C.UTF-8 >" + dir_ +
                           "/initdb.log 2>&1")) != 0) {
        unavailable_ = "initdb failed, see " + dir_ + "/initdb.log";
        return;
    }
    fs::remove(pwfile);
    port_ = FreeLoopbackPort();
    try {
        Start();
    } catch (const std::exception& e) {
        unavailable_ = e.what();
    }
}

TPrivateCluster::~TPrivateCluster() {
    if (dir_.empty()) return;
    if (fs::exists(dir_ + "/data/postmaster.pid"))
        RunCommand(asOwner(bin_ + "/pg_ctl -D " + dir_ + "/data -m immediate -w stop >/dev/null 2>&1"));
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
}

std::string TPrivateCluster::Uri(const std::string& clientName) const {
    return "postgresql://postgres:" + password_ + "@127.0.0.1:" + std::to_string(port_) +
           "/postgres?application_name=" + clientName + "&connect_timeout=10";
}

void TPrivateCluster::KillSessions(const std::string& clientName) {
    auto killer = KVL_OpenConnection(Uri("kvl_killer"));
    killer->ExecuteCommand("CUSTOM", "select pg_terminate_backend(pid) from pg_stat_activity "
                                     "where application_name = '" +
                                         clientName + "'");
}

void TPrivateCluster::Start() {
    // Commits reach the server's files before they are confirmed, so that an immediate stop
    // keeps them; fsync stays off, as no machine crash is simulated.
    const std::string options = "-k " + dir_ + " -p " + std::to_string(port_) +
                                " -c listen_addresses=127.0.0.1 -c fsync=off -c synchronous_commit=on";
    if (RunCommand(asOwner(bin_ + "/pg_ctl -D " + dir_ + "/data -l " + dir_ + "/log -w -t 30 -o '" + options +
                           "' start >/dev/null")) != 0)
        throw Exception("the private PostgreSQL cluster did not start, see " + dir_ + "/log");
}

void TPrivateCluster::StopImmediately() {
    if (RunCommand(asOwner(bin_ + "/pg_ctl -D " + dir_ + "/data -m immediate -w -t 30 stop >/dev/null")) != 0)
        throw Exception("the private PostgreSQL cluster did not stop");
}

std::string TPrivateCluster::asOwner(const std::string& command) const {
    if (geteuid() != 0) return command;
    std::string quoted;
    for (char c : command)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return "runuser -u postgres -- sh -c '" + quoted + "'";
}

} // namespace kvl::test
