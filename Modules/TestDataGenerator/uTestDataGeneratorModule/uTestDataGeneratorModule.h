#pragma once
#include "kvl3_lib/IKVL_Module.h"

#include <QAction>
#include <QPointer>
#include <memory>

// The module as the host sees it: one command, "Test Data Generator...", on a host toolbar
// button and in a host menu, enabled while the host has a connection; each use opens a further
// window on the current session.
class TTestDataGeneratorModule : public kvl::IKVL_Module {
public:
    // Creates the module and registers it with the host's module manager.
    static std::shared_ptr<kvl::IKVL_Module> Create();

    void AcceptApplicationData(const kvl::TApplicationData& appData) override;
    kvl::TModuleInfo GetModuleInfo() override;
    void InitializeDBnavigatorPopupMenu(int schemaType, int objectType, QMenu* popupMenu, bool flag) override;
    void EnableConnectionSensitiveModule(bool enable) override;
    void EnableModule(bool enable) override;

    void TDGOnClick(QObject* sender);
    QAction* Action() const { return TDGAction; }

private:
    void bindToolbarButton(QObject* actionOwner);
    void insertMenuItem();

    QPointer<QObject> AppMainRef;
    QPointer<QObject> AppSecondRef;
    QPointer<QAction> TDGAction;
};

// The unit's start and end as the package runs them: the single module object is created and
// registered, and released again.
void uTestDataGeneratorModule_Initialization();
void uTestDataGeneratorModule_Finalization();
