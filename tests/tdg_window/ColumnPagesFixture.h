#pragma once
// A window on a schema with a column of every kind, and the dialogs of the pages answered by
// the test instead of the user.
#include "TFieldPages.h"
#include "WindowFixture.h"

#include <QComboBox>
#include <QStackedWidget>

class ColumnPages : public WindowOnSqlite {
protected:
    void SetUp() override {
        WindowOnSqlite::SetUp();
        auto setup = kvl::KVL_OpenConnection("sqlite:" + path.string());
        setup->ExecuteCommand("CUSTOM", "create table kinds (id integer primary key, qty integer, "
                                        "price decimal(10,2), code char(5), title varchar(40) not null, "
                                        "born date, stamp datetime, photo blob, token uuid, active boolean, "
                                        "shape geometry)");
        setup->ExecuteCommand("CUSTOM", "create table parts (a integer, b integer, primary key (a, b))");
        setup->ExecuteCommand("CUSTOM", "create table part_uses (id integer primary key, pb integer, "
                                        "pa integer, foreign key (pa, pb) references parts (a, b))");
        saved = tdg_pages::PageDialogs();
        auto& d = tdg_pages::PageDialogs();
        d.InputQuery = [this](QWidget*, const QString& title, const QString& prompt) {
            asked << title + "|" + prompt;
            return answer;
        };
        d.Confirm = [this](QWidget*, const QString& question) {
            asked << question;
            return confirm;
        };
        d.OpenFiles = [this](QWidget*, const QString&, const QString& filter) {
            asked << filter;
            return files;
        };
        d.OpenFile = [this](QWidget*, const QString&, const QString& filter, const QString&) {
            asked << filter;
            return files.value(0);
        };
        d.ChooseFolder = [this](QWidget*, const QString&) { return files.value(0); };
        d.ShowError = [this](QWidget*, const QString& message) { errors << message; };
    }

    void TearDown() override {
        tdg_pages::PageDialogs() = saved;
        WindowOnSqlite::TearDown();
    }

    QModelIndex columnNode(const std::string& table, const std::string& column) {
        QModelIndex node = expanded(table);
        for (int row = 0; row < model().rowCount(node); ++row)
            if (model().index(row, 0, node).data().toString().toStdString() == column)
                return model().index(row, 0, node);
        return {};
    }

    // Selects a column in the tree as the user does and returns its fill field.
    template <class Field = TCustomFillField>
    Field* select(const std::string& table, const std::string& column) {
        QModelIndex child = columnNode(table, column);
        if (!child.isValid()) {
            ADD_FAILURE() << "no column " << column;
            return nullptr;
        }
        tree().setCurrentIndex(child);
        auto* field = dynamic_cast<Field*>(model().FillFieldOf(child));
        EXPECT_NE(field, nullptr) << column;
        return field;
    }

    // The user picks an entry of a drop-down list.
    void choose(const char* list, const QString& entry) {
        auto* box = control<QComboBox>(list);
        int index = box->findText(entry);
        ASSERT_GE(index, 0) << entry.toStdString();
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    QStringList entries(const char* list) {
        QStringList result;
        auto* box = control<QComboBox>(list);
        for (int i = 0; i < box->count(); ++i)
            result << box->itemText(i);
        return result;
    }

    QString shownPage(const char* set) { return control<QStackedWidget>(set)->currentWidget()->objectName(); }
    QString shownClass() { return shownPage("pcField"); }

    tdg_pages::TPageDialogs saved;
    std::optional<QString> answer;
    bool confirm = true;
    QStringList files;
    QStringList asked;
    QStringList errors;
};
