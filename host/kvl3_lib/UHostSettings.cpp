#include "UHostSettings.h"

#include <QCoreApplication>

namespace kvl {

TKVL_Settings& KVL_HostSettings() {
    // the word-list archives ship in a "data" folder beside the program
    static TKVL_Settings settings = TKVL_Settings::FromEnvironment(
        (QCoreApplication::applicationDirPath() + QStringLiteral("/data/")).toStdString());
    return settings;
}

} // namespace kvl
