// Links of a column to a column of another table.
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

} // namespace
