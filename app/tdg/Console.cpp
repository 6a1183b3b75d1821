#include "Console.h"

#include "ExternalData/ExternalDataPasswords.h"
#include "ExternalData/ExternalDataReader.h"
#include "UTFillProjects/TFillProject.h"
#include "base/Format.h"

#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace {
const char* const kArchive[] = {"Cities.qdz", "Countries.qdz", "Firstnames.qdz", "Lastnames.qdz",
                                "Streets.qdz"};
const char* const kMember[] = {"Cities.txt", "Countries.txt", "Firstnames.txt", "Lastnames.txt",
                               "Streets.txt"};

std::string duration(kvl::TDateTime days) {
    long seconds = static_cast<long>(days * 86400.0 + 0.5);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return buf;
}
} // namespace

TConsoleRun::TConsoleRun(TFillProjects& projects, const kvl::TKVL_Settings& settings)
    : projects_(projects), settings_(settings), terminal_(isatty(STDOUT_FILENO) != 0) {
    projects_.OnExternalDataInit = [this](TExternalDataKind kind, kvl::TStringList& target) {
        auto k = static_cast<size_t>(kind);
        tdg::LoadExternalData(settings_.TDG_DATA_DIR, kArchive[k], kMember[k],
                              std::string(tdg::TDG_EXTERNALDATA_PASSWORDS[k]), target);
    };
    projects_.OnInitTableFill = [this](TFillProject*, const std::string& table, const std::string&, int,
                                       int rows) {
        std::cout << kvl::Format("%s: %d rows", {table, rows}) << (terminal_ ? "" : "\n") << std::flush;
    };
    projects_.OnTaskUpdate = [this](TFillProject* p, const std::string& task) {
        if (!terminal_) std::cout << (p ? p->TableName + ": " : std::string()) << task << "\n";
        if (task.rfind("Error during project", 0) == 0) failed_ = true;
    };
    projects_.OnFillProgress = [this](TFillProject* p, int row, int errors, int rate, kvl::TDateTime elapsed,
                                      kvl::TDateTime needed) {
        std::string line =
            kvl::Format("%s: %d / %d rows, %d failed, %d rows/s, %s elapsed, %s left",
                        {p->TableName, row, p->Rows, errors, rate, duration(elapsed), duration(needed)});
        if (terminal_)
            std::cout << "\r\033[K" << line << std::flush;
        else
            std::cout << line << "\n";
    };
    projects_.OnFillFinished = [this](TFillProject* p) {
        if (terminal_) std::cout << "\r\033[K";
        std::cout << kvl::Format("%s: %d inserted, %d failed",
                                 {p->TableName, p->Statistics.RowsInserted, p->Statistics.ErrorCount})
                  << "\n";
    };
}

bool TConsoleRun::Run() {
    failed_ = false;
    projects_.startInsert();
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
}
