#pragma once
#include "kvl3_db/TestDatabases.h"

#include <signal.h>
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace tdg::test {

// What one run of the tdg binary left behind.
struct TResult {
    int status = -1; // the exit status; 128 + n when a signal n ended it
    std::string out, err;
};

std::string ReadFile(const std::string& fileName);

// The tdg binary as a child process, its output collected in files of the test's own.
class TTdgProcess {
public:
    explicit TTdgProcess(const std::vector<std::string>& args, const std::vector<std::string>& more = {});
    ~TTdgProcess();
    TTdgProcess(const TTdgProcess&) = delete;
    TTdgProcess& operator=(const TTdgProcess&) = delete;

    void Signal(int signal) const { kill(pid_, signal); }
    // The output written so far.
    std::string Out() const { return ReadFile(outFile_); }
    TResult Wait();

private:
    pid_t pid_ = -1;
    std::string outFile_, errFile_;
};

// Runs tdg to its end.
inline TResult Tdg(const std::vector<std::string>& args, const std::vector<std::string>& more = {}) {
    return TTdgProcess(args, more).Wait();
}

// A file name under the test's temporary folder, unique within the machine.
std::string TempPath(const std::string& stem, const std::string& extension);

// Changes attributes of one COLUMN (or, with an empty column, of the TABLE_PROJECT) of a
// project file, as a user editing it by hand would.
void EditProject(const std::string& fileName, const std::string& table, const std::string& column,
                 const std::map<std::string, std::string>& attributes);

// A database of the engine under test, with a project file and a log folder of the test's own.
class TTdgTest : public kvl::test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (db_) uri_ = db_->ConnectionString();
    }
    void TearDown() override;
    // tdg init of the database into the project file, which must succeed.
    TResult init(const std::vector<std::string>& more = {});
    // tdg check and tdg fill of the database by the project, with more arguments.
    TResult check(const std::vector<std::string>& more = {}) {
        return Tdg({"check", "--connect", uri_, "--project", project_}, more);
    }
    TResult fill(const std::vector<std::string>& more) {
        return Tdg({"fill", "--connect", uri_, "--project", project_, "--log-dir", logs_}, more);
    }

    std::string uri_, project_ = TempPath("project", ".tdg"), logs_ = TempPath("logs", "");
};

} // namespace tdg::test
