#include "PrivateFirebird.h"

#include "FillKit.h"

#include "base/Exceptions.h"
#include "base/SysUtils.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace kvl::test {

namespace fs = std::filesystem;

namespace {
const char* const ServerProgram = "/usr/sbin/firebird";
const char* const SystemConfig = "/etc/firebird/3.0";
const char* const SystemSecurity = "/var/lib/firebird/3.0/system/security3.fdb";
} // namespace

TPrivateFirebird::TPrivateFirebird() {
    if (!fs::exists(ServerProgram) || !fs::exists(SystemSecurity)) {
        unavailable_ = "no Firebird server (package firebird3.0-server)";
        return;
    }
    char pattern[] = "/tmp/kvl_private_fb_XXXXXX";
    if (!mkdtemp(pattern)) {
        unavailable_ = "no temporary folder for the server";
        return;
    }
    dir_ = pattern;
    password_ = RandomHex(8);
    port_ = FreeLoopbackPort();
    try {
        configure();
        Start();
    } catch (const std::exception& e) {
        unavailable_ = e.what();
    }
}

TPrivateFirebird::~TPrivateFirebird() {
    if (pid_ > 0) StopImmediately();
    std::error_code ignored;
    if (!dir_.empty()) fs::remove_all(dir_, ignored);
}

void TPrivateFirebird::configure() {
    fs::create_directories(dir_ + "/lock");
    for (const char* file : {"fbintl.conf", "plugins.conf"})
        fs::copy_file(fs::path(SystemConfig) / file, fs::path(dir_) / file);
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
    const std::string env = "FIREBIRD=" + dir_ + " FIREBIRD_LOCK=" + dir_ + "/lock ";
    if (RunCommand(env + "isql-fb -q -user SYSDBA " + dir_ + "/security3.fdb -i " + dir_ + "/setup.sql >" +
                   dir_ + "/setup.log 2>&1") != 0)
        // the folder goes with the object, so what went wrong is kept in the message
        throw Exception("the private Firebird server could not be set up: " + ReadAll(dir_ + "/setup.log"));
}

std::string TPrivateFirebird::Uri(const std::string&) const {
    return "firebird://127.0.0.1:" + std::to_string(port_) + dir_ +
           "/test.fdb?user=SYSDBA&password=" + password_;
}

bool TPrivateFirebird::listening() const {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port_));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(s);
    return ok;
}

void TPrivateFirebird::Start() {
    const std::string log = dir_ + "/server.log";
    pid_t pid = fork();
    if (pid < 0) throw Exception("the private Firebird server could not be started");
    if (pid == 0) {
        setenv("FIREBIRD", dir_.c_str(), 1);
        setenv("FIREBIRD_LOCK", (dir_ + "/lock").c_str(), 1);
        int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (out >= 0) {
            dup2(out, 1);
            dup2(out, 2);
        }
        execl(ServerProgram, ServerProgram, static_cast<char*>(nullptr));
        _exit(127);
    }
    pid_ = pid;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!listening()) {
        if (std::chrono::steady_clock::now() > until || waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = 0;
            throw Exception("the private Firebird server did not start: " + ReadAll(log));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void TPrivateFirebird::StopImmediately() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
}

void TPrivateFirebird::KillSessions(const std::string&) {
    auto killer = KVL_OpenConnection(Uri("kvl_killer"));
    killer->ExecuteCommand("CUSTOM",
                           "delete from mon$attachments where mon$attachment_id <> current_connection "
                           "and mon$system_flag = 0");
}

std::string TPrivateFirebird::Identifier(const std::string& name) const {
    return UpperCase(name);
}

} // namespace kvl::test
