// tdg_window_shot OUT.png [DATABASE]: opens the window on a fresh demo database with some
// tables marked, expands one table, selects a column and saves a picture of the window.
#include "Demo.h"
#include "TFillerTreeModel.h"
#include "TfrmTestDataGenerator.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "kvl3_db/Drivers.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"
#include "kvl3_lib/Umodulemanager.h"

#include <QApplication>
#include <QTimer>
#include <QTreeView>
#include <filesystem>
#include <iostream>

namespace {

QModelIndex tableNode(TFillerTreeModel& model, const QString& name) {
    for (int row = 0; row < model.rowCount(); ++row)
        if (model.index(row, 0).data().toString() == name) return model.index(row, 0);
    return {};
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::cerr << "usage: tdg_window_shot OUT.png [DATABASE]\n";
        return 2;
    }
    std::string db =
        argc > 2 ? argv[2] : (std::filesystem::temp_directory_path() / "tdg_demo_shot.db").string();
    kvl::KVL_RegisterStandardDrivers();
    CreateDemoSchema(db);
    auto connection = kvl::KVL_OpenConnection("sqlite:" + db);
    kvl::MM_GetCurrentSessionName = [] { return std::string("demo.db"); };

    auto* window = new TfrmTestDataGenerator(nullptr, connection.get(), {}, connection->Database());
    ApplySensibleSettings(window->FillProjects());
    for (TFillProject* p : window->FillProjects().Projects)
        if (p->TableName == "reviews" || p->TableName == "addresses") p->doFill = false;
    window->TreeModel().Reset();

    auto* tree = window->findChild<QTreeView*>(QStringLiteral("tvFiller"));
    QModelIndex customers = tableNode(window->TreeModel(), QStringLiteral("customers"));
    tree->expand(customers);
    window->show();
    tree->setCurrentIndex(window->TreeModel().index(3, 0, customers));

    int result = 1;
    QTimer::singleShot(300, [&] {
        result = window->grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
        window->close();
        app.quit();
    });
    app.exec();
    connection.reset();
    return result;
}
