#pragma once
#include <string>

namespace kvl {

// Folder settings of the host. The applications fill them at start-up (from the environment
// and their options) and hand them to whoever needs them.
struct TKVL_Settings {
    std::string TDG_DATA_DIR;     // folder of the external data files, ending in a path delimiter
    std::string LAST_USED_FOLDER; // initial folder of file dialogs

    // Remembers the folder of a file the user chose.
    void Settings_SaveLastUsedFolder(const std::string& fileName);

    // TDG_DATA_DIR from the environment variable of that name, else dataDirFallback.
    static TKVL_Settings FromEnvironment(const std::string& dataDirFallback);
};

// Appends the path delimiter when it is missing.
std::string IncludeTrailingPathDelimiter(const std::string& folder);

} // namespace kvl
