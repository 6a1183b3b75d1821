// Links of a column to another table's column or to a sequence of the database.
#include "WindowFixture.h"

#include "UTFillObject/TFloatFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "kvl3_lib/UScreenCursor.h"

#include <QImage>
#include <QPainter>
#include <QStyleOptionViewItem>

namespace {

struct TKeyLink {
    const char* table;
    const char* column;
    const char* refTable; // empty for a column outside any foreign key
    const char* refColumn;
};

class KeyLinks : public ColumnPages, public ::testing::WithParamInterface<TKeyLink> {};

TEST_P(KeyLinks, ALinkFollowsTheForeignKeyAtTheColumnsPosition) {
    const TKeyLink& c = GetParam();
    open();
    auto* field = select(c.table, c.column);
    choose("cbFillWith", "Referential Link");
    EXPECT_EQ(field->RefTable, c.refTable);
    EXPECT_EQ(field->RefTableOwner, "") << "SQLite does not qualify names with owners";
    EXPECT_EQ(field->RefColumn, c.refColumn);
    EXPECT_EQ(field->GetReadyForFilling(), *c.refTable != 0);
    EXPECT_FALSE(kvl::ScreenCursorIsWait());
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyLinks,
                         ::testing::Values(TKeyLink{"orders", "customer_id", "customers", "id"},
                                           TKeyLink{"part_uses", "pb", "parts", "b"},
                                           TKeyLink{"part_uses", "pa", "parts", "a"},
                                           TKeyLink{"kinds", "title", "", ""}));

TEST_F(ColumnPages, ALinkChosenByHandIsShownAgainAndNotLookedUpAnew) {
    open();
    auto* customer = select("orders", "customer_id");
    choose("cbFillWith", "Referential Link");
    EXPECT_EQ(control<QComboBox>("cbIntegerRefTable")->currentText(), "customers");
    EXPECT_EQ(entries("cbIntegerRefField"), (QStringList{"id", "name", "note"}));
    choose("cbIntegerRefField", "name");
    choose("cbFillWith", "Fixed Value");
    choose("cbFillWith", "Referential Link");
    EXPECT_EQ(customer->RefColumn, "name") << "an existing link is not looked up again";

    select("kinds", "title");
    choose("cbFillWith", "Referential Link");
    EXPECT_TRUE(control<QComboBox>("cbTextRefTable")->findText("part_uses") >= 0);
    choose("cbTextRefTable", "customers");
    EXPECT_EQ(control<QComboBox>("cbTextRefField")->currentIndex(), -1);
    choose("cbTextRefField", "name");
    select("kinds", "code");
    select("kinds", "title");
    EXPECT_EQ(control<QComboBox>("cbTextRefTable")->currentText(), "customers");
    EXPECT_EQ(control<QComboBox>("cbTextRefField")->currentText(), "name");
}

struct TReferencePair {
    const char* column;
    const char* source;
    const char* field;
};

class ReferencePairs : public ColumnPages, public ::testing::WithParamInterface<TReferencePair> {};

TEST_P(ReferencePairs, EachSourceListFillsItsOwnFieldList) {
    open();
    const TReferencePair& pair = GetParam();
    auto* field = select("kinds", pair.column);
    choose("cbFillWith", "Referential Link");
    choose(pair.source, "parts");
    EXPECT_EQ(field->RefTable, "parts");
    EXPECT_EQ(entries(pair.field), (QStringList{"a", "b"}));
    choose(pair.field, "b");
    EXPECT_EQ(field->RefColumn, "b");
    EXPECT_TRUE(field->GetReadyForFilling());
    for (const char* other : {"cbFloatRefField", "cbIntegerRefField", "cbTextRefField", "cbGUIDRefField"})
        if (std::string(other) != pair.field) {
            EXPECT_EQ(control<QComboBox>(other)->count(), 0) << other;
        }
}

INSTANTIATE_TEST_SUITE_P(AllFour, ReferencePairs,
                         ::testing::Values(TReferencePair{"price", "cbFloatRefTable", "cbFloatRefField"},
                                           TReferencePair{"qty", "cbIntegerRefTable", "cbIntegerRefField"},
                                           TReferencePair{"title", "cbTextRefTable", "cbTextRefField"},
                                           TReferencePair{"token", "cbGUIDRefTable", "cbGUIDRefField"}));

// Whether anything but white is drawn within the columns [left, right) of a list entry.
bool inked(QComboBox* box, int row, int left, int right) {
    QImage image(200, 18, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 200, 18);
    option.palette.setColor(QPalette::Text, Qt::black);
    option.state = QStyle::State_Enabled;
    box->itemDelegate()->paint(&painter, option, box->model()->index(row, 0));
    for (int x = left; x < right; ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) return true;
    return false;
}

TEST_F(ColumnPages, SourceAndFieldEntriesAreDrawnWithTheirImageAndText) {
    open();
    select("kinds", "title");
    choose("cbFillWith", "Referential Link");
    choose("cbTextRefTable", "customers");
    auto* source = control<QComboBox>("cbTextRefTable");
    int customers = source->findText("customers");
    EXPECT_TRUE(inked(source, customers, 0, 16)) << "the table image";
    EXPECT_FALSE(inked(source, customers, 16, 18)) << "the text starts 18 pixels in";
    EXPECT_TRUE(inked(source, customers, 18, 200));
    EXPECT_TRUE(inked(control<QComboBox>("cbTextRefField"), 0, 0, 16)) << "the column image";
    EXPECT_TRUE(inked(control<QComboBox>("cbTextRefField"), 0, 18, 200));
}

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
    void openWithSequences(std::initializer_list<const char*> names) {
        session = kvl::KVL_OpenConnection("sqlite:" + path.string());
        database = std::make_shared<DatabaseWithSequences>(session->Database());
        for (const char* name : names)
            database->sequences.push_back(std::make_shared<Sequence>(name));
        window = new TfrmTestDataGenerator(nullptr, session.get(), kvl::TKVL_InterfaceList(), database);
    }

    // The user opens the list, which reads the sequences again.
    void popUp(const char* list) {
        control<QComboBox>(list)->showPopup();
        control<QComboBox>(list)->hidePopup();
    }

    std::shared_ptr<DatabaseWithSequences> database;
};

TEST_F(SequencePages, TheSequenceListsShowTheDatabasesSequencesSortedAndKeepEachColumnsChoice) {
    openWithSequences({"SEQ_B", "SEQ_A"});
    EXPECT_EQ(entries("cbIntegerGenerator"), (QStringList{"SEQ_A", "SEQ_B"}));
    EXPECT_EQ(entries("cbFloatGenerator"), (QStringList{"SEQ_A", "SEQ_B"}));
    auto* qty = select<TIntegerFillField>("kinds", "qty");
    choose("cbIntegerGenerator", "SEQ_B");
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

    // opening the list reads the sequences again and keeps the choice while it exists
    select("kinds", "qty");
    database->sequences.push_back(std::make_shared<Sequence>("SEQ_0"));
    popUp("cbIntegerGenerator");
    EXPECT_EQ(entries("cbIntegerGenerator"), (QStringList{"SEQ_0", "SEQ_A", "SEQ_B"}));
    EXPECT_EQ(control<QComboBox>("cbIntegerGenerator")->currentText(), "SEQ_B");
    database->sequences.erase(database->sequences.begin(), database->sequences.begin() + 2);
    popUp("cbIntegerGenerator");
    EXPECT_EQ(entries("cbIntegerGenerator"), QStringList{"SEQ_0"});
    EXPECT_EQ(control<QComboBox>("cbIntegerGenerator")->currentIndex(), -1);
    EXPECT_EQ(qty->GeneratorName, "SEQ_B") << "refreshing the list is no choice";
}

TEST_F(SequencePages, WithoutSequencesTheListStaysEmptyAndStoresNoName) {
    openWithSequences({});
    auto* qty = select<TIntegerFillField>("kinds", "qty");
    qty->GeneratorName = "GONE";
    choose("cbFillWith", "Link to Sequence");
    popUp("cbIntegerGenerator");
    EXPECT_EQ(control<QComboBox>("cbIntegerGenerator")->count(), 0);
    emit control<QComboBox>("cbIntegerGenerator")->activated(-1);
    EXPECT_EQ(qty->GeneratorName, "");
}

} // namespace
