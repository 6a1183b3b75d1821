#include "Console.h"
#include "Options.h"

#include "ExternalData/ExternalDataReader.h"
#include "UTFillConstants.h"
#include "UTFillProjects/TFillProject.h"
#include "base/Format.h"

#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace {

std::string duration(kvl::TDateTime days) {
    long seconds = static_cast<long>(days * 86400.0 + 0.5);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return buf;
}

std::string bar(int row, int rows) {
    const int width = 24;
    int done = rows > 0 ? static_cast<int>(static_cast<long long>(row) * width / rows) : width;
    return "[" + std::string(static_cast<size_t>(done), '#') +
           std::string(static_cast<size_t>(width - done), '.') + "]";
}

} // namespace

TExternalDataInit WordListLoader(const std::string& dataDir) {
    return [dataDir](TExternalDataKind kind, kvl::TStringList& target) {
        auto k = static_cast<size_t>(kind);
        tdg::LoadExternalData(dataDir, std::string(TDG_EXTERNALDATA_FILENAMES[k]),
                              std::string(TDG_EXTERNALDATA_ZIPPEDNAME[k]),
                              std::string(TDG_EXTERNALDATA_PASSWORDS[k]), target);
    };
}

TConsoleRun::TConsoleRun(TFillProjects& projects, const kvl::TKVL_Settings& settings)
    : projects_(projects), settings_(settings), terminal_(isatty(STDOUT_FILENO) != 0) {
    projects_.OnExternalDataInit = WordListLoader(settings_.TDG_DATA_DIR);
    projects_.OnInitTableFill = [this](TFillProject*, const std::string& table, const std::string&, int,
                                       int rows) {
        lastShown_ = std::chrono::steady_clock::now();
        std::cout << kvl::Format("%s: %d rows", {table, rows}) << (terminal_ ? "" : "\n") << std::flush;
    };
    // the progress lines already carry the counts of the commits
    projects_.OnTaskUpdate = [this](TFillProject* p, const std::string& task) {
        if (terminal_ || task.rfind("Committing data", 0) == 0) return;
        std::cout << (p ? p->TableName + ": " : std::string()) << task << std::endl;
    };
    projects_.OnFillProgress = [this](TFillProject* p, int row, int errors, int rate, kvl::TDateTime,
                                      kvl::TDateTime needed) { progress(p, row, errors, rate, needed); };
    projects_.OnFillFinished = [this](TFillProject* p) {
        if (terminal_) std::cout << "\r\033[K";
        // a stopped table reports before its counts are stored; the summary has them
        if (p->StopRequested) {
            std::cout << p->TableName << ": stopped after the row in progress\n";
            return;
        }
        std::cout << kvl::Format("%s: %d inserted, %d failed",
                                 {p->TableName, p->Statistics.RowsInserted, p->Statistics.ErrorCount})
                  << std::endl;
    };
}

bool TConsoleRun::due(bool terminal) {
    auto now = std::chrono::steady_clock::now();
    auto gap = terminal ? std::chrono::milliseconds(100) : std::chrono::milliseconds(2000);
    if (now - lastShown_ < gap) return false;
    lastShown_ = now;
    return true;
}

void TConsoleRun::progress(TFillProject* p, int row, int errors, int rate, kvl::TDateTime needed) {
    if (row == 0 || !due(terminal_)) return;
    std::string line =
        kvl::Format("%s %s %d/%d rows, %d failed, %d rows/s, %s left",
                    {p->TableName, bar(row, p->Rows), row, p->Rows, errors, rate, duration(needed)});
    if (terminal_)
        std::cout << "\r\033[K" << line << std::flush;
    else
        std::cout << line << std::endl;
}

bool TConsoleRun::Run() {
    failed_ = false;
    try {
        projects_.startInsert();
    } catch (const std::exception& e) {
        if (terminal_) std::cout << "\r\033[K";
        std::cout << std::flush;
        std::cerr << "tdg: " << OneLine(e.what()) << "\n";
        failed_ = true;
    }
    return !failed_;
}

void TConsoleRun::PrintSummary() const {
    std::cout << "\nTable                     Inserted    Failed   Time (s)    Rows/s\n";
    for (TFillProject* p : projects_.Projects) {
        if (!p->doFill) continue;
        const auto& s = p->Statistics;
        double seconds = s.InsertTime * 86400.0;
        double rate = seconds > 0 ? s.RowsInserted / seconds : 0;
        std::printf("%-24s %9d %9d %10.2f %9.0f\n", p->TableName.c_str(), s.RowsInserted, s.ErrorCount,
                    seconds, rate);
    }
    std::fflush(stdout);
}
