#include "Umodulemanager.h"

#include <QMenu>
#include <QPointer>
#include <algorithm>
#include <map>
#include <optional>

namespace kvl {

namespace {

struct ModuleManager {
    std::vector<std::shared_ptr<IKVL_Module>> modules;
    std::optional<TApplicationData> appData;
    // guarded pointers: a menu destroyed with its window reads as nil
    std::map<int, QPointer<QMenu>> menus;
};

ModuleManager& manager() {
    static ModuleManager m;
    return m;
}

} // namespace

std::function<QWidget*()> MM_GetCurrentSessionForm = [] { return static_cast<QWidget*>(nullptr); };
std::function<std::string()> MM_GetCurrentSessionName = [] { return std::string(); };
std::function<TKVL_InterfaceList()> MM_GetCurrentSessionSchemas = [] { return TKVL_InterfaceList(); };

void MM_RegisterModule(std::shared_ptr<IKVL_Module> module) {
    if (!module) return;
    auto& m = manager();
    m.modules.push_back(module);
    if (m.appData) module->AcceptApplicationData(*m.appData);
}

void MM_UnregisterModule(const std::shared_ptr<IKVL_Module>& module) {
    auto& list = manager().modules;
    list.erase(std::remove(list.begin(), list.end(), module), list.end());
}

const std::vector<std::shared_ptr<IKVL_Module>>& MM_RegisteredModules() {
    return manager().modules;
}

void MM_SetApplicationData(const TApplicationData& appData) {
    auto& m = manager();
    m.appData = appData;
    for (const auto& module : m.modules)
        module->AcceptApplicationData(appData);
}

void MM_EnableConnectionSensitiveModules(bool enable) {
    for (const auto& module : manager().modules)
        module->EnableConnectionSensitiveModule(enable);
}

QMenu* MM_GetMenu(int menuNumber) {
    auto& menus = manager().menus;
    auto it = menus.find(menuNumber);
    return it == menus.end() ? nullptr : it->second.data();
}

void MM_SetMenu(int menuNumber, QMenu* menu) {
    manager().menus[menuNumber] = menu;
}

} // namespace kvl
