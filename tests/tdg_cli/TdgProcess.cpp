#include "TdgProcess.h"

#include <pugixml.hpp>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tdg::test {

TTdgProcess::TTdgProcess(const std::vector<std::string>& args, const std::vector<std::string>& more)
    : outFile_(TempPath("tdg_out", ".txt")), errFile_(TempPath("tdg_err", ".txt")) {
    std::vector<std::string> all = {TDG_BINARY};
    all.insert(all.end(), args.begin(), args.end());
    all.insert(all.end(), more.begin(), more.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ > 0) return;
    dup2(open(outFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
    dup2(open(errFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
}

TTdgProcess::~TTdgProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove(outFile_, ignored);
    std::filesystem::remove(errFile_, ignored);
}

TResult TTdgProcess::Wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), ReadFile(outFile_),
            ReadFile(errFile_)};
}

std::string TempPath(const std::string& stem, const std::string& extension) {
    static std::atomic<int> counter{0};
    return testing::TempDir() + stem + "_" + std::to_string(getpid()) + "_" + std::to_string(++counter) +
           extension;
}

std::string ReadFile(const std::string& fileName) {
    std::stringstream s;
    s << std::ifstream(fileName).rdbuf();
    return s.str();
}

void EditProject(const std::string& fileName, const std::string& table, const std::string& column,
                 const std::map<std::string, std::string>& attributes) {
    pugi::xml_document doc;
    if (!doc.load_file(fileName.c_str())) throw std::runtime_error("cannot read " + fileName);
    auto project = doc.child("TEST_DATA_GENERATOR")
                       .child("TABLE_PROJECTS")
                       .find_child_by_attribute("NAME", table.c_str());
    auto target =
        column.empty() ? project : project.child("COLUMNS").find_child_by_attribute("NAME", column.c_str());
    if (!target) throw std::runtime_error("no " + table + " " + column + " in " + fileName);
    for (const auto& [name, value] : attributes) {
        auto a = target.attribute(name.c_str());
        (a ? a : target.append_attribute(name.c_str())).set_value(value.c_str());
    }
    doc.save_file(fileName.c_str());
}

void TTdgTest::TearDown() {
    std::error_code ignored;
    std::filesystem::remove(project_, ignored);
    std::filesystem::remove_all(logs_, ignored);
    EngineTest::TearDown();
}

TResult TTdgTest::init(const std::vector<std::string>& more) {
    auto r = Tdg({"init", "--connect", uri_, "-o", project_}, more);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    return r;
}

} // namespace tdg::test
