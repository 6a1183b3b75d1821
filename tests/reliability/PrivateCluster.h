#pragma once
// A PostgreSQL cluster of one test's own. Run as the user postgres when the tests run as root,
// as the server refuses root.
#include "PrivateServer.h"

#include <string>

namespace kvl::test {

class TPrivateCluster final : public TPrivateServer {
public:
    TPrivateCluster(); // initialises and starts; Unavailable() says why it could not
    ~TPrivateCluster() override;
    TPrivateCluster(const TPrivateCluster&) = delete;
    TPrivateCluster& operator=(const TPrivateCluster&) = delete;

    std::string Name() const override { return "PostgreSQL"; }
    // The cluster's database "postgres"; the client's name is the application name.
    std::string Uri(const std::string& clientName = "kvl_reliability") const override;
    void Start() override;
    // pg_ctl's immediate mode.
    void StopImmediately() override;
    void KillSessions(const std::string& clientName) override;
    std::string Identifier(const std::string& name) const override { return name; }

private:
    std::string asOwner(const std::string& command) const;

    std::string bin_, dir_, password_;
    int port_ = 0;
};

} // namespace kvl::test
