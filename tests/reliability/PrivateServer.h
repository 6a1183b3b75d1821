#pragma once
// A database server of one test's own, on 127.0.0.1 only, for faults that would hurt the
// shared test servers: a server that dies on the spot, sessions killed by another client.
#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>

namespace kvl::test {

class TPrivateServer {
public:
    virtual ~TPrivateServer();
    TPrivateServer(const TPrivateServer&) = delete;
    TPrivateServer& operator=(const TPrivateServer&) = delete;

    // Why the server could not be started; empty when it runs.
    const std::string& Unavailable() const { return unavailable_; }
    // A connection string whose sessions the server tells apart from a second client's by name.
    virtual std::string Uri(const std::string& clientName) const = 0;
    virtual void Start() = 0;
    // The server processes exit at once; open sessions get no goodbye.
    virtual void StopImmediately();
    // Ends, from a session of another client, every session opened with the given name.
    virtual void KillSessions(const std::string& clientName) = 0;
    // The name of a table or column as the server's catalogue gives it back when created without quotes.
    virtual std::string Identifier(const std::string& name) const { return name; }

protected:
    // A folder of its own, a free port and a password; Unavailable() says when there is no folder.
    explicit TPrivateServer(const std::string& kind);
    // Hands the folder to owner_, runs the set-up, which throws what is missing, and starts the
    // server; Unavailable() tells why not.
    void startAfter(const std::function<void()>& setUp);
    // Runs the server's command line as a child with its output in the folder's log, until ready()
    // holds.
    void spawn(const std::string& command, const std::function<bool()>& ready);
    // Runs a shell command, as owner_ when the tests run as root, as the servers refuse root;
    // true when it succeeded.
    bool run(const std::string& command, bool asOwner = false) const;
    // Runs a step of the set-up with its output in the folder's log of the step; when it fails, the
    // output is the message, as the folder goes with the server.
    void must(const std::string& step, const std::string& command, bool asOwner = false) const;

    std::string unavailable_, dir_, password_, owner_;
    int port_ = 0;
    pid_t pid_ = 0;
};

// The server of the engine named (PostgreSQL, Firebird or MariaDB), initialised and started.
std::unique_ptr<TPrivateServer> StartPrivateServer(const std::string& engine);

} // namespace kvl::test
