#pragma once
// A Firebird server of one test's own (package firebird3.0-server): its own configuration,
// security database, port and lock folder, so that killing it touches nothing else.
#include "PrivateServer.h"

#include <sys/types.h>

namespace kvl::test {

class TPrivateFirebird final : public TPrivateServer {
public:
    TPrivateFirebird(); // configures and starts; Unavailable() says why it could not
    ~TPrivateFirebird() override;
    TPrivateFirebird(const TPrivateFirebird&) = delete;
    TPrivateFirebird& operator=(const TPrivateFirebird&) = delete;

    std::string Name() const override { return "Firebird"; }
    // Firebird 3 has no client name of a session: every client reaches the same database.
    std::string Uri(const std::string& clientName) const override;
    void Start() override;
    // The server process is killed.
    void StopImmediately() override;
    // Without client names, this ends every user session but the killer's own.
    void KillSessions(const std::string& clientName) override;
    std::string Identifier(const std::string& name) const override;

private:
    void configure();
    bool listening() const;

    std::string dir_, password_;
    int port_ = 0;
    pid_t pid_ = 0;
};

} // namespace kvl::test
