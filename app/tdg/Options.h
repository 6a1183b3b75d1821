#pragma once
#include "base/Exceptions.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

// Exit statuses shared by every command; scripts rely on them.
enum TExitStatus : int {
    exitOk = 0,
    exitFailed = 1, // a table could not run, or the check found errors
    exitUsage = 2,  // bad arguments, a bad connection string, an unreachable server
    exitStopped = 130,
};

// A wrong command line or connection: reported as one line, exit status 2.
class EUsageError : public kvl::Exception {
    using Exception::Exception;
};

// A message as one line: "Error during project: T" LF CR "message" and the multi-line texts of
// client libraries read better so, and scripts can take the first line of stderr.
std::string OneLine(std::string text);

// The command word and its options, checked against what the command accepts.
class TOptions {
public:
    // Options that take a value, and those that stand alone ("--no-check").
    struct TSyntax {
        std::set<std::string> valued;
        std::set<std::string> flags;
        std::set<std::string> required;
    };

    // Splits the arguments after the program name; the first word is the command.
    static TOptions Parse(const std::vector<std::string>& args);
    void Check(const TSyntax& syntax) const;

    bool Help() const { return help_; }
    const std::string& Command() const { return command_; }
    bool Has(const std::string& name) const;
    std::string Text(const std::string& name, const std::string& fallback = "") const;
    int32_t Count(const std::string& name, int32_t fallback) const;
    uint64_t Seed() const;
    // A comma-separated list; empty when the option is absent.
    std::vector<std::string> List(const std::string& name) const;

private:
    std::string command_;
    bool help_ = false;
    std::map<std::string, std::string> values_;
    std::set<std::string> flags_;
};
