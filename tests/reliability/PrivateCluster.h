#pragma once
// A PostgreSQL cluster of one test's own, on 127.0.0.1 only, for faults that would hurt the
// shared test server: an immediate shutdown, killed sessions. Run as the user postgres when the
// tests run as root, as the server refuses root.
#include <string>

namespace kvl::test {

class TPrivateCluster {
public:
    TPrivateCluster(); // initialises and starts; Unavailable() says why it could not
    ~TPrivateCluster();
    TPrivateCluster(const TPrivateCluster&) = delete;
    TPrivateCluster& operator=(const TPrivateCluster&) = delete;

    const std::string& Unavailable() const { return unavailable_; }
    // A connection string to the cluster's database "postgres", with an application name that
    // tells its sessions apart from a second client's.
    std::string Uri(const std::string& applicationName = "kvl_reliability") const;

    void Start();
    // pg_ctl's immediate mode: the server processes exit at once, open sessions get no goodbye.
    void StopImmediately();

private:
    int run(const std::string& command) const;
    std::string asOwner(const std::string& command) const;

    std::string bin_, dir_, password_, unavailable_;
    int port_ = 0;
};

} // namespace kvl::test
