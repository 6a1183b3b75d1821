// tdg_window_shot OUT.png [DATABASE] [--column TABLE.COLUMN] [--fill ENTRY]: opens the window on
// a fresh demo database with some tables marked, expands one table, selects a column (the fourth
// column of customers unless told) and saves a picture of the window. --fill chooses an entry of
// the column's "Fill with" list as the user does.
#include "Demo.h"
#include "TFillerTreeModel.h"
#include "TfrmTestDataGenerator.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "kvl3_db/Drivers.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"
#include "kvl3_lib/Umodulemanager.h"

#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <QTreeView>
#include <filesystem>
#include <iostream>
#include <vector>

namespace {

QModelIndex tableNode(TFillerTreeModel& model, const QString& name) {
    for (int row = 0; row < model.rowCount(); ++row)
        if (model.index(row, 0).data().toString() == name) return model.index(row, 0);
    return {};
}

QModelIndex columnNode(TFillerTreeModel& model, const QModelIndex& table, const QString& name) {
    for (int row = 0; row < model.rowCount(table); ++row)
        if (model.index(row, 0, table).data().toString() == name) return model.index(row, 0, table);
    return {};
}

struct TShotOptions {
    std::string out;
    std::string db;
    QString table = QStringLiteral("customers");
    QString column;
    QString fill;
};

TShotOptions readOptions(int argc, char** argv) {
    TShotOptions o;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if ((arg == "--column" || arg == "--fill") && i + 1 < argc) {
            QString value = QString::fromLocal8Bit(argv[++i]);
            if (arg == "--fill") {
                o.fill = value;
                continue;
            }
            qsizetype dot = value.indexOf(QLatin1Char('.'));
            o.table = dot < 0 ? o.table : value.left(dot);
            o.column = dot < 0 ? value : value.mid(dot + 1);
            continue;
        }
        positional.push_back(arg);
    }
    if (!positional.empty()) o.out = positional[0];
    o.db = positional.size() > 1 ? positional[1]
                                 : (std::filesystem::temp_directory_path() / "tdg_demo_shot.db").string();
    return o;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TShotOptions options = readOptions(argc, argv);
    if (options.out.empty()) {
        std::cerr << "usage: tdg_window_shot OUT.png [DATABASE] [--column TABLE.COLUMN] [--fill ENTRY]\n";
        return 2;
    }
    const std::string& db = options.db;
    kvl::KVL_RegisterStandardDrivers();
    CreateDemoSchema("sqlite:" + db);
    auto connection = kvl::KVL_OpenConnection("sqlite:" + db);
    kvl::MM_GetCurrentSessionName = [] { return std::string("demo.db"); };

    auto* window = new TfrmTestDataGenerator(nullptr, connection.get(), {}, connection->Database());
    ApplySensibleSettings(window->FillProjects());
    for (TFillProject* p : window->FillProjects().Projects)
        if (p->TableName == "reviews" || p->TableName == "addresses") p->doFill = false;
    window->TreeModel().Reset();

    auto* tree = window->findChild<QTreeView*>(QStringLiteral("tvFiller"));
    QModelIndex table = tableNode(window->TreeModel(), options.table);
    tree->expand(table);
    window->show();
    QModelIndex column = options.column.isEmpty() ? window->TreeModel().index(3, 0, table)
                                                  : columnNode(window->TreeModel(), table, options.column);
    if (!column.isValid()) {
        std::cerr << "no such column\n";
        return 2;
    }
    tree->setCurrentIndex(column);
    if (!options.fill.isEmpty()) {
        auto* fillWith = window->findChild<QComboBox*>(QStringLiteral("cbFillWith"));
        int entry = fillWith->findText(options.fill);
        if (entry < 0) {
            std::cerr << "no such entry\n";
            return 2;
        }
        fillWith->setCurrentIndex(entry);
        emit fillWith->activated(entry);
    }

    int result = 1;
    QTimer::singleShot(300, [&] {
        result = window->grab().save(QString::fromStdString(options.out)) ? 0 : 1;
        window->close();
        app.quit();
    });
    app.exec();
    connection.reset();
    return result;
}
