#pragma once
class QObject;
class QMenu;

namespace kvl {

// What the host hands to a module once it has been registered: the component that owns the
// host's menus, a second reference modules may keep, and the component that owns the modules'
// actions (its owner holds the host toolbar).
struct TApplicationData {
    QObject* MainRef = nullptr;
    QObject* SecondRef = nullptr;
    QObject* ActionOwner = nullptr;
};

// How the host treats a module; the values are the host's business.
struct TModuleInfo {
    bool Visible = false;
    bool ConnectionSensitive = false;
    int Order = 0;
};

// A plug-in module as the host's module manager sees it.
class IKVL_Module {
public:
    virtual ~IKVL_Module() = default;
    virtual void AcceptApplicationData(const TApplicationData& appData) = 0;
    virtual TModuleInfo GetModuleInfo() = 0;
    virtual void InitializeDBnavigatorPopupMenu(int schemaType, int objectType, QMenu* popupMenu,
                                                bool flag) = 0;
    virtual void EnableConnectionSensitiveModule(bool enable) = 0;
    virtual void EnableModule(bool enable) = 0;
};

} // namespace kvl
