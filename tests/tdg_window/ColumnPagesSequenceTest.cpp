#include "ColumnPagesFixture.h"

#include "UTFillObject/TFloatFillField.h"
#include "UTFillObject/TIntegerFillField.h"

#include <QLabel>

namespace {

class Sequence : public kvl::IKVL_Generator {
public:
    explicit Sequence(std::string name) : name_(std::move(name)) {}
    std::string Name() const override { return name_; }
    std::string SQLName() const override { return name_; }
    std::string OwnerName() const override { return ""; }
    std::string DisplayName() const override { return name_; }
    std::string SearchName() const override { return name_; }

private:
    std::string name_;
};

// The SQLite database with sequences that the test can add and drop while the window is open.
class DatabaseWithSequences : public kvl::IKVL_Database {
public:
    explicit DatabaseWithSequences(std::shared_ptr<kvl::IKVL_Database> inner) : inner_(std::move(inner)) {}
    std::string Name() const override { return inner_->Name(); }
    std::string SQLName() const override { return inner_->SQLName(); }
    std::string OwnerName() const override { return inner_->OwnerName(); }
    std::string DisplayName() const override { return inner_->DisplayName(); }
    std::string SearchName() const override { return inner_->SearchName(); }
    kvl::IInterfaceList ObjectsOfKind(int kind) const override {
        return kind == kvl::okGenerator ? sequences : inner_->ObjectsOfKind(kind);
    }
    std::shared_ptr<kvl::IKVL_Schema> DefaultSchema() const override { return inner_->DefaultSchema(); }
    kvl::TKVL_InterfaceListRef Schemas() const override { return inner_->Schemas(); }
    void Refresh() override { inner_->Refresh(); }

    kvl::IInterfaceList sequences;

private:
    std::shared_ptr<kvl::IKVL_Database> inner_;
};

class SequencePages : public ColumnPages {
protected:
    TfrmTestDataGenerator& openWithSequences(std::initializer_list<const char*> names) {
        session = kvl::KVL_OpenConnection("sqlite:" + path.string());
        database = std::make_shared<DatabaseWithSequences>(session->Database());
        for (const char* name : names)
            database->sequences.push_back(std::make_shared<Sequence>(name));
        window = new TfrmTestDataGenerator(nullptr, session.get(), kvl::TKVL_InterfaceList(), database);
        return *window;
    }

    std::shared_ptr<DatabaseWithSequences> database;
};

TEST_F(SequencePages, TheSequenceListsShowTheDatabasesSequencesSorted) {
    openWithSequences({"SEQ_B", "SEQ_A"});
    EXPECT_EQ(entries("cbIntegerGenerator"), (QStringList{"SEQ_A", "SEQ_B"}));
    EXPECT_EQ(entries("cbFloatGenerator"), (QStringList{"SEQ_A", "SEQ_B"}));
    auto* qty = select<TIntegerFillField>("kinds", "qty");
    choose("cbFillWith", entries("cbFillWith").value(3));
    EXPECT_EQ(qty->FillType, 5);
    choose("cbIntegerGenerator", "SEQ_B");
    EXPECT_EQ(qty->GeneratorName, "SEQ_B");
    auto* price = select<TFloatFillField>("kinds", "price");
    choose("cbFloatGenerator", "SEQ_A");
    EXPECT_EQ(price->GeneratorName, "SEQ_A");
    EXPECT_EQ(qty->GeneratorName, "SEQ_B");

    select("kinds", "qty");
    EXPECT_EQ(control<QComboBox>("cbIntegerGenerator")->currentText(), "SEQ_B");
    auto* id = select<TIntegerFillField>("kinds", "id");
    EXPECT_EQ(id->GeneratorName, "SEQ_A") << "a new field starts with the first sequence";
    EXPECT_EQ(control<QComboBox>("cbIntegerGenerator")->currentText(), "SEQ_A");
    select("kinds", "qty");
    id->GeneratorName = "DROPPED";
    select("kinds", "id");
    EXPECT_EQ(control<QComboBox>("cbIntegerGenerator")->currentIndex(), -1)
        << "an unknown name shows no entry";
}

TEST_F(SequencePages, OpeningASequenceListReadsTheSequencesAgainAndKeepsTheChoice) {
    openWithSequences({"SEQ_A", "SEQ_B"});
    auto* qty = select<TIntegerFillField>("kinds", "qty");
    choose("cbIntegerGenerator", "SEQ_B");
    database->sequences.push_back(std::make_shared<Sequence>("SEQ_0"));
    auto* list = control<QComboBox>("cbIntegerGenerator");
    list->showPopup();
    list->hidePopup();
    EXPECT_EQ(entries("cbIntegerGenerator"), (QStringList{"SEQ_0", "SEQ_A", "SEQ_B"}));
    EXPECT_EQ(list->currentText(), "SEQ_B");

    database->sequences.erase(database->sequences.begin(), database->sequences.begin() + 2);
    list->showPopup();
    list->hidePopup();
    EXPECT_EQ(entries("cbIntegerGenerator"), QStringList{"SEQ_0"});
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_EQ(qty->GeneratorName, "SEQ_B") << "refreshing the list is no choice";
}

} // namespace
