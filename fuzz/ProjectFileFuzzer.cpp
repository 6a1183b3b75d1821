// Feeds arbitrary files to the project-file loader. Besides the sanitizers it checks what the
// loader promises: a file it refuses raises the program's own exception and changes no setting;
// a file it takes saves to a file that loads back to the same settings.
//
// The projects come from a structure engine in memory with one column of every fill-field
// class, so that every branch of the reader has a column to write into.

#include "support/RecordingEngine.h"

#include "UTFillProjects/TFillProjects.h"
#include "base/Exceptions.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

RecordingEngine& engine() {
    static RecordingEngine* e = [] {
        auto* made = new RecordingEngine();
        made->AddTable("ALL_TYPES",
                       {{"I", "Integer"},
                        {"F", "Double Precision"},
                        {"T", "Varchar", true, 30},
                        {"D", "DateTime"},
                        {"B", "Blob"},
                        {"OK", "Boolean/Bit"},
                        {"G", "GUID"},
                        {"U", "Unsupported"}},
                       "APP");
        made->AddTable("OTHER", {{"ID", "Integer", false}});
        return made;
    }();
    return *e;
}

std::string scratch(const char* what) {
    return "/tmp/kvl_project_fuzz_" + std::to_string(getpid()) + "_" + what + ".tdg";
}

// The scratch files go when the fuzzer ends its runs.
struct ScratchCleaner {
    ~ScratchCleaner() {
        for (const char* what : {"input", "settings", "copy"})
            std::remove(scratch(what).c_str());
    }
} cleaner;

std::string readAll(const std::string& path) {
    std::stringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

void build(TFillProjects& projects) {
    projects.SetStructureEngine(&engine());
    projects.CreateStructure();
}

std::string settings(TFillProjects& projects) {
    const std::string path = scratch("settings");
    projects.SaveToFile(path);
    return readAll(path);
}

const std::string& untouched() {
    static const std::string s = [] {
        TFillProjects fresh;
        build(fresh);
        return settings(fresh);
    }();
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input = scratch("input");
    std::ofstream(input, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    TFillProjects projects;
    build(projects);
    try {
        projects.LoadFromFile(input);
    } catch (const kvl::Exception&) {
        if (settings(projects) != untouched()) std::abort();
        return 0;
    }
    // what was taken survives its own file
    const std::string saved = settings(projects);
    const std::string copy = scratch("copy");
    std::ofstream(copy, std::ios::binary | std::ios::trunc) << saved;
    TFillProjects again;
    build(again);
    again.LoadFromFile(copy);
    if (settings(again) != saved) std::abort();
    return 0;
}
