#include "uTestDataGeneratorModule.h"

#include "TfrmTestDataGenerator.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"
#include "kvl3_lib/UImageList.h"
#include "kvl3_lib/Umodulemanager.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QToolButton>

namespace {

constexpr int kModuleMenu = 100;

// keeps the single module alive while the package is loaded
std::shared_ptr<kvl::IKVL_Module> TDGModule;

} // namespace

std::shared_ptr<kvl::IKVL_Module> TTestDataGeneratorModule::Create() {
    auto module = std::make_shared<TTestDataGeneratorModule>();
    kvl::MM_RegisterModule(module);
    return module;
}

void TTestDataGeneratorModule::AcceptApplicationData(const kvl::TApplicationData& appData) {
    AppMainRef = appData.MainRef;
    AppSecondRef = appData.SecondRef;
    TDGAction = new QAction(QStringLiteral("Test Data Generator..."), appData.ActionOwner);
    TDGAction->setObjectName(QStringLiteral("aTDG"));
    TDGAction->setToolTip(QStringLiteral("Test Data Generator"));
    TDGAction->setStatusTip(QStringLiteral("Test Data Generator"));
    TDGAction->setIcon(kvl::KVL_StdImgList().Icon(kvl::imgTestDataGenerator));
    TDGAction->setEnabled(false);
    QObject::connect(TDGAction, &QAction::triggered, TDGAction, [this] { TDGOnClick(TDGAction); });
    bindToolbarButton(appData.ActionOwner);
    insertMenuItem();
}

void TTestDataGeneratorModule::bindToolbarButton(QObject* actionOwner) {
    // a host without the button simply shows the command in its menu only
    if (!actionOwner || !actionOwner->parent()) return;
    auto* button = actionOwner->parent()->findChild<QToolButton*>(QStringLiteral("btnTDG"));
    if (!button) return;
    button->setDefaultAction(TDGAction);
    button->setVisible(true);
}

void TTestDataGeneratorModule::insertMenuItem() {
    QObject* owner = AppMainRef ? AppMainRef->parent() : nullptr;
    // the menu item follows the action in caption, hint, image and enabled state
    auto* item = new QAction(owner);
    item->setObjectName(QStringLiteral("miTDG"));
    auto follow = [item, action = TDGAction] {
        item->setText(action->text());
        item->setToolTip(action->toolTip());
        item->setIcon(action->icon());
        item->setEnabled(action->isEnabled());
    };
    follow();
    QObject::connect(TDGAction, &QAction::changed, item, follow);
    QObject::connect(item, &QAction::triggered, TDGAction, &QAction::trigger);

    QMenu* menu = kvl::MM_GetMenu(kModuleMenu);
    if (!menu) return;
    QAction* before = nullptr;
    for (QAction* candidate : menu->actions())
        if (candidate->objectName() == QLatin1String("miBeforeMisc")) before = candidate;
    // a menu without the mark gets the item at its end
    menu->insertAction(before, item);
}

kvl::TModuleInfo TTestDataGeneratorModule::GetModuleInfo() {
    return {true, true, 20};
}

void TTestDataGeneratorModule::InitializeDBnavigatorPopupMenu(int, int, QMenu*, bool) {}

void TTestDataGeneratorModule::EnableConnectionSensitiveModule(bool enable) {
    if (TDGAction) TDGAction->setEnabled(enable);
}

void TTestDataGeneratorModule::EnableModule(bool) {}

void TTestDataGeneratorModule::TDGOnClick(QObject*) {
    try {
        kvl::TKVL_Connection* connection = kvl::KVL_CurrentConnection();
        if (!connection) return;
        kvl::TKVL_InterfaceList schemas = kvl::MM_GetCurrentSessionSchemas();
        auto database = connection->Database();
        QWidget* owner = kvl::MM_GetCurrentSessionForm();
        // the window belongs to its owner and frees itself when closed
        auto* window = new TfrmTestDataGenerator(owner, connection, schemas, database);
        window->show();
    } catch (const std::exception& e) {
        QMessageBox::critical(kvl::MM_GetCurrentSessionForm(), QStringLiteral("Test Data Generator"),
                              QString::fromStdString(e.what()));
    }
}

void uTestDataGeneratorModule_Initialization() {
    TDGModule = TTestDataGeneratorModule::Create();
}

void uTestDataGeneratorModule_Finalization() {
    TDGModule.reset();
}
