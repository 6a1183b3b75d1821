#pragma once
// A window on a real SQLite schema, with the tools its tests share: the dialogs of the column
// pages and the message boxes answered by the test, and row counts read from the database.
#include "support_gui/GuiTestSupport.h"

#include "TFieldPages.h"
#include "TFillerTreeModel.h"
#include "TfrmTestDataGenerator.h"
#include "UTFillConstants.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "kvl3_db/Drivers.h"
#include "kvl3_db/Ukvl_connection.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"
#include "kvl3_lib/Umodulemanager.h"

#include <QtWidgets>
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <unistd.h>

// Everything goes to the real connection, only ServerKind and ModeText are the test's.
class KindConnection : public kvl::TKVL_Connection {
public:
    KindConnection(std::unique_ptr<kvl::TKVL_Connection> inner, int kind, std::string mode)
        : inner_(std::move(inner)), kind_(kind), mode_(std::move(mode)) {}
    bool Connected() const override { return inner_->Connected(); }
    void Connect() override { inner_->Connect(); }
    void Disconnect() override { inner_->Disconnect(); }
    int ServerKind() const override { return kind_; }
    std::string ModeText() const override { return mode_; }
    std::string ConnectionString() const override { return inner_->ConnectionString(); }
    void ExecuteCommand(const std::string& kind, const std::string& sql) override {
        inner_->ExecuteCommand(kind, sql);
    }
    std::unique_ptr<kvl::TKVL_Connection> Clone() const override {
        return std::make_unique<KindConnection>(inner_->Clone(), kind_, mode_);
    }
    std::unique_ptr<kvl::TKVL_Transaction> NewTransaction() override { return inner_->NewTransaction(); }
    std::unique_ptr<kvl::TKVL_Query> NewQuery() override { return inner_->NewQuery(); }
    std::shared_ptr<kvl::IKVL_Database> Database() override { return inner_->Database(); }

private:
    std::unique_ptr<kvl::TKVL_Connection> inner_;
    int kind_;
    std::string mode_;
};

// Answers every message box that opens while it lives, in order, and remembers the texts.
class BoxAnswers {
public:
    BoxAnswers() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
        timer_.start();
    }
    void Next(QMessageBox::StandardButton button) { answers_.push_back(button); }
    std::vector<QString> Texts;

private:
    void answer() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        Texts.push_back(box->text());
        QAbstractButton* button = box->button(answers_.empty() ? QMessageBox::Ok : answers_.front());
        if (!answers_.empty()) answers_.pop_front();
        (button ? button : box->buttons().first())->click();
    }

    QTimer timer_;
    std::deque<QMessageBox::StandardButton> answers_;
};

// What the tests do in a window as its user would, and what they read from it.
class WindowDriver {
protected:
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
            if (model().ProjectOf(node)->TableName == name) return node;
        }
        ADD_FAILURE() << "no table node " << name;
        return {};
    }

    QModelIndex expanded(const std::string& table) const {
        QModelIndex node = tableNode(table);
        tree().expand(node);
        return node;
    }

    TFillProject* selectTable(const std::string& table) {
        tree().setCurrentIndex(tableNode(table));
        return &project(table);
    }

    // Selects a column in the tree as the user does and returns its fill field.
    template <class Field = TCustomFillField>
    Field* select(const std::string& table, const std::string& column) {
        QModelIndex node = expanded(table);
        for (int row = 0; row < model().rowCount(node); ++row)
            if (model().index(row, 0, node).data().toString().toStdString() == column)
                tree().setCurrentIndex(model().index(row, 0, node));
        auto* field = dynamic_cast<Field*>(model().FillFieldOf(tree().currentIndex()));
        EXPECT_TRUE(field && field->ColumnName == column) << column;
        return field;
    }

    // The user picks the entry of a drop-down list that names the object, bare or with its owner.
    void choose(const char* list, const QString& entry) {
        auto* box = control<QComboBox>(list);
        int index = box->findText(entry);
        for (int i = 0; i < box->count() && index < 0; ++i)
            if (box->itemText(i).endsWith("." + entry)) index = i;
        ASSERT_GE(index, 0) << entry.toStdString();
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    QStringList entries(const char* list) const {
        QStringList result;
        auto* box = control<QComboBox>(list);
        for (int i = 0; i < box->count(); ++i)
            result << box->itemText(i);
        return result;
    }

    TFillProject& project(const std::string& table) const { return *model().ProjectOf(tableNode(table)); }

    // Marks the table and gives its key increasing values and its name city names.
    TFillProject& mark(const std::string& table, int rows, int perTransaction = 500) {
        TFillProject& p = project(table);
        p.SetdoFill(true);
        p.Rows = rows;
        p.RowsPerTransaction = perTransaction;
        for (auto& field : p.GetFillFields()) {
            if (auto* integer = dynamic_cast<TIntegerFillField*>(field.get())) {
                integer->FillType = fillIncreasing;
                integer->Counter = 1;
                integer->StaticValue = 1;
            }
            if (field->ColumnName == "name") field->FillType = fillCities;
        }
        return p;
    }

    QString panel(int index) const {
        return control<QLabel>(("sbFillerPanel" + std::to_string(index)).c_str())->text();
    }

    std::vector<std::string> messages() const { return window->AllMessages().Items(); }

    bool hasMessage(const std::string& text) const { return std::ranges::count(messages(), text) > 0; }

    bool waitForRunEnd(int timeoutMs = 30000) const {
        return WaitUntil([this] { return !window->Filling(); }, timeoutMs);
    }

    QPointer<TfrmTestDataGenerator> window;
};

class WindowOnSqlite : public ::testing::Test, protected WindowDriver {
protected:
    void SetUp() override {
        kvl::KVL_RegisterStandardDrivers();
        std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(test.begin(), test.end(), '/', '_');
        path = std::filesystem::temp_directory_path() /
               ("tdg_window_" + std::to_string(::getpid()) + "_" + test + ".db");
        std::filesystem::remove(path);
        exec("create table customers (id integer primary key, name varchar(30) not null, note text)");
        exec("create table orders (id integer primary key, customer_id integer not null references "
             "customers(id), amount decimal(10,2))");
        kvl::MM_GetCurrentSessionName = [] { return std::string("local demo"); };
        saved = tdg_pages::PageDialogs();
        auto& d = tdg_pages::PageDialogs();
        d.InputQuery = [this](QWidget*, auto& title, auto& prompt) {
            return ask(title + "|" + prompt, answers.empty() ? std::nullopt : answers.takeFirst());
        };
        d.Confirm = [this](QWidget*, auto& question) { return ask(question, confirm); };
        d.OpenFiles = [this](QWidget*, auto&, auto& filter) { return ask(filter, files); };
        d.OpenFile = [this](QWidget*, auto&, auto& filter, auto&) { return ask(filter, files.value(0)); };
        d.ChooseFolder = [this](QWidget*, auto&) { return files.value(0); };
        d.ShowError = [this](QWidget*, auto& message) { errors << message; };
    }

    // A dialog of a column page: what it asked, and the test's answer.
    template <class Answer> Answer ask(const QString& question, Answer answer) {
        asked << question;
        return answer;
    }

    void TearDown() override {
        delete window.data();
        session.reset();
        tdg_pages::PageDialogs() = saved;
        std::filesystem::remove(path);
    }

    void exec(const std::string& sql) const {
        kvl::KVL_OpenConnection("sqlite:" + path.string())->ExecuteCommand("CUSTOM", sql);
    }

    // A window on a connection that reports the given server kind and mode.
    TfrmTestDataGenerator& open(int kind = 0, const std::string& mode = "1") {
        delete window.data();
        auto real = kvl::KVL_OpenConnection("sqlite:" + path.string());
        if (kind)
            session = std::make_unique<KindConnection>(std::move(real), kind, mode);
        else
            session = std::move(real);
        window =
            new TfrmTestDataGenerator(nullptr, session.get(), kvl::TKVL_InterfaceList(), session->Database());
        return *window;
    }

    int rowCount(const std::string& table) const {
        auto connection = kvl::KVL_OpenConnection("sqlite:" + path.string());
        auto query = kvl::KVL_GetDataset(*connection, "select count(*) from " + table);
        query->Open();
        return std::stoi(query->FieldAsString(0));
    }

    std::filesystem::path path;
    std::unique_ptr<kvl::TKVL_Connection> session;
    tdg_pages::TPageDialogs saved;
    QList<std::optional<QString>> answers; // to the value prompts, in turn
    bool confirm = true;
    QStringList files;
    QStringList asked;
    QStringList errors;
};

// With a column of every kind, and a key of two columns.
class ColumnPages : public WindowOnSqlite {
protected:
    void SetUp() override {
        WindowOnSqlite::SetUp();
        exec("create table kinds (id integer primary key, qty integer, price decimal(10,2), code char(5), "
             "title varchar(40) not null, born date, stamp datetime, photo blob, token uuid, active "
             "boolean, shape geometry)");
        exec("create table parts (a integer, b integer, primary key (a, b))");
        exec("create table part_uses (id integer primary key, pb integer, pa integer, foreign key (pa, "
             "pb) references parts (a, b))");
    }
};
class RunControl : public WindowOnSqlite {};
