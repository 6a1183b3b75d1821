#pragma once
// A window on the SQLite schema of WindowFixture.h with the tools a run needs: message boxes
// answered as a user would, the tables' fill settings, and row counts read from the database.
#include "WindowFixture.h"

#include "UTFillConstants.h"
#include "UTFillObject/TIntegerFillField.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <deque>

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
        QMessageBox::StandardButton wanted = QMessageBox::Ok;
        if (!answers_.empty()) {
            wanted = answers_.front();
            answers_.pop_front();
        }
        QAbstractButton* button = box->button(wanted);
        (button ? button : box->buttons().first())->click();
    }

    QTimer timer_;
    std::deque<QMessageBox::StandardButton> answers_;
};

class RunControl : public WindowOnSqlite {
protected:
    TFillProject& project(const std::string& table) const {
        for (TFillProject* p : window->FillProjects().Projects)
            if (p->TableName == table) return *p;
        throw std::runtime_error("no project " + table);
    }

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

    int rowCount(const std::string& table) const {
        auto connection = kvl::KVL_OpenConnection("sqlite:" + path.string());
        auto query = kvl::KVL_GetDataset(*connection, "select count(*) from " + table);
        query->Open();
        return std::stoi(query->FieldAsString(0));
    }

    QString panel(int index) const {
        return control<QLabel>(("sbFillerPanel" + std::to_string(index)).c_str())->text();
    }

    std::vector<std::string> messages() const { return window->AllMessages().Items(); }

    bool hasMessage(const std::string& text) const {
        auto all = messages();
        return std::find(all.begin(), all.end(), text) != all.end();
    }

    bool hasMessageStarting(const std::string& prefix) const {
        auto all = messages();
        return std::any_of(all.begin(), all.end(),
                           [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
    }

    bool waitForRunEnd(int timeoutMs = 30000) const {
        return WaitUntil([this] { return !window->Filling(); }, timeoutMs);
    }
};
