#pragma once
// A MariaDB server of one test's own (package mariadb-server): its own data folder, socket and
// port. Started as the user mysql when the tests run as root, as the server refuses root.
#include "PrivateServer.h"

#include <set>
#include <sys/types.h>

namespace kvl::test {

class TPrivateMariadb final : public TPrivateServer {
public:
    TPrivateMariadb(); // initialises and starts; Unavailable() says why it could not
    ~TPrivateMariadb() override;
    TPrivateMariadb(const TPrivateMariadb&) = delete;
    TPrivateMariadb& operator=(const TPrivateMariadb&) = delete;

    std::string Name() const override { return "MariaDB"; }
    // Sessions carry no client name the server shows, so each client is an account of its own,
    // made on first use, with every privilege on the test database.
    std::string Uri(const std::string& clientName) const override;
    void Start() override;
    // The server process is killed.
    void StopImmediately() override;
    // KILL CONNECTION of every session of the client's account.
    void KillSessions(const std::string& clientName) override;
    std::string Identifier(const std::string& name) const override { return name; }

private:
    // Runs SQL as the server's all-powerful account, over the socket; false when it failed.
    bool administer(const std::string& sql) const;
    bool answers() const;

    std::string dir_, password_;
    int port_ = 0;
    pid_t pid_ = 0;
    mutable std::set<std::string> clients_;
};

} // namespace kvl::test
