#pragma once
// A window on a real SQLite schema of two tables.
#include "support_gui/GuiTestSupport.h"

#include "TFillerTreeModel.h"
#include "TfrmTestDataGenerator.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "kvl3_db/Drivers.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"
#include "kvl3_lib/Umodulemanager.h"

#include <QPointer>
#include <QTreeView>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <unistd.h>

class WindowOnSqlite : public ::testing::Test {
protected:
    void SetUp() override {
        kvl::KVL_RegisterStandardDrivers();
        std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(test.begin(), test.end(), '/', '_');
        path = std::filesystem::temp_directory_path() /
               ("tdg_window_" + std::to_string(::getpid()) + "_" + test + ".db");
        std::filesystem::remove(path);
        auto setup = kvl::KVL_OpenConnection("sqlite:" + path.string());
        setup->ExecuteCommand("CUSTOM", "create table customers (id integer primary key, "
                                        "name varchar(30) not null, note text)");
        setup->ExecuteCommand("CUSTOM",
                              "create table orders (id integer primary key, customer_id integer not "
                              "null references customers(id), amount decimal(10,2))");
        kvl::MM_GetCurrentSessionName = [] { return std::string("local demo"); };
    }

    void TearDown() override {
        delete window.data();
        session.reset();
        std::filesystem::remove(path);
    }

    // A window on a connection that reports the given server kind and mode.
    TfrmTestDataGenerator& open(int kind = 0, const std::string& mode = "1") {
        auto real = kvl::KVL_OpenConnection("sqlite:" + path.string());
        if (kind)
            session = std::make_unique<KindConnection>(std::move(real), kind, mode);
        else
            session = std::move(real);
        window =
            new TfrmTestDataGenerator(nullptr, session.get(), kvl::TKVL_InterfaceList(), session->Database());
        return *window;
    }

    template <class T> T* control(const char* name) const {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    TFillerTreeModel& model() const { return window->TreeModel(); }
    QTreeView& tree() const { return *control<QTreeView>("tvFiller"); }

    QModelIndex tableNode(const std::string& name) const {
        for (int row = 0; row < model().rowCount(); ++row) {
            QModelIndex node = model().index(row, 0);
            if (node.data().toString().toStdString() == name) return node;
        }
        ADD_FAILURE() << "no table node " << name;
        return {};
    }

    QModelIndex expanded(const std::string& table) const {
        QModelIndex node = tableNode(table);
        tree().expand(node);
        return node;
    }

    std::filesystem::path path;
    std::unique_ptr<kvl::TKVL_Connection> session;
    QPointer<TfrmTestDataGenerator> window;
};
