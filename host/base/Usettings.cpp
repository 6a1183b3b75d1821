#include "Usettings.h"

#include <cstdlib>
#include <filesystem>

namespace kvl {

std::string IncludeTrailingPathDelimiter(const std::string& folder) {
    if (folder.empty() || folder.back() == '/') return folder;
    return folder + '/';
}

void TKVL_Settings::Settings_SaveLastUsedFolder(const std::string& fileName) {
    auto parent = std::filesystem::path(fileName).parent_path();
    if (!parent.empty()) LAST_USED_FOLDER = IncludeTrailingPathDelimiter(parent.string());
}

TKVL_Settings TKVL_Settings::FromEnvironment(const std::string& dataDirFallback) {
    TKVL_Settings s;
    const char* dir = std::getenv("TDG_DATA_DIR");
    s.TDG_DATA_DIR = IncludeTrailingPathDelimiter(dir && *dir ? dir : dataDirFallback);
    s.LAST_USED_FOLDER = IncludeTrailingPathDelimiter(std::filesystem::current_path().string());
    return s;
}

} // namespace kvl
