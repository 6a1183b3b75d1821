#pragma once
// A database server of one test's own, on 127.0.0.1 only, for faults that would hurt the
// shared test servers: a server that dies on the spot, sessions killed by another client.
#include <string>

namespace kvl::test {

class TPrivateServer {
public:
    virtual ~TPrivateServer() = default;
    virtual std::string Name() const = 0;
    // Why the server could not be started; empty when it runs.
    const std::string& Unavailable() const { return unavailable_; }
    // A connection string whose sessions the server tells apart from a second client's by name.
    virtual std::string Uri(const std::string& clientName) const = 0;
    virtual void Start() = 0;
    // The server processes exit at once; open sessions get no goodbye.
    virtual void StopImmediately() = 0;
    // Ends, from a session of another client, every session opened with the given name.
    virtual void KillSessions(const std::string& clientName) = 0;
    // The name of a table or column as the server's catalogue gives it back when created without quotes.
    virtual std::string Identifier(const std::string& name) const = 0;

protected:
    std::string unavailable_;
};

// Runs a shell command; its exit code.
int RunCommand(const std::string& command);
// A port nobody listens on now; the server takes it a moment later.
int FreeLoopbackPort();
std::string RandomHex(int bytes);

} // namespace kvl::test
