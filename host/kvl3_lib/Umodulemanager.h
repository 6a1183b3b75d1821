#pragma once
#include "IKVL_Module.h"
#include "kvl3_db/Ukvl_catalogue.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QMenu;
class QWidget;

namespace kvl {

// Modules register at load time; the host hands its application data to every module
// registered so far and to every later one as it registers.
void MM_RegisterModule(std::shared_ptr<IKVL_Module> module);
void MM_UnregisterModule(const std::shared_ptr<IKVL_Module>& module);
const std::vector<std::shared_ptr<IKVL_Module>>& MM_RegisteredModules();
void MM_SetApplicationData(const TApplicationData& appData);
// Tells every module whether the host has an open connection.
void MM_EnableConnectionSensitiveModules(bool enable);

// The host's numbered menus; nil for a number the host has not set.
QMenu* MM_GetMenu(int menuNumber);
void MM_SetMenu(int menuNumber, QMenu* menu);

// The active database session as the host reports it; set by the host's session windows.
extern std::function<QWidget*()> MM_GetCurrentSessionForm;
extern std::function<std::string()> MM_GetCurrentSessionName;
extern std::function<TKVL_InterfaceList()> MM_GetCurrentSessionSchemas;

} // namespace kvl
