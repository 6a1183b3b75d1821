// Links of a column to a column of another table.
#include "WindowFixture.h"

#include "UTFillObject/TFloatFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "kvl3_lib/UScreenCursor.h"

#include <QImage>
#include <QPainter>
#include <QStyleOptionViewItem>

namespace {

// A link follows the foreign key at the column's position; any column can be linked by hand
// through the source and field lists of its kind.
struct TKeyLink {
    const char* table;
    const char* column;
    const char* keyTable; // empty for a column outside any foreign key
    const char* keyColumn;
    const char* source;
    const char* field;
};

class KeyLinks : public ColumnPages, public ::testing::WithParamInterface<TKeyLink> {};

TEST_P(KeyLinks, FollowTheForeignKeyOrAreChosenByHand) {
    const TKeyLink& c = GetParam();
    open();
    auto* field = select(c.table, c.column);
    choose("cbFillWith", "Referential Link");
    EXPECT_EQ(field->RefTable, c.keyTable);
    EXPECT_EQ(field->RefTableOwner, "") << "SQLite does not qualify names with owners";
    EXPECT_EQ(field->RefColumn, c.keyColumn);
    EXPECT_EQ(field->GetReadyForFilling(), *c.keyTable != 0);
    EXPECT_FALSE(kvl::ScreenCursorIsWait());

    choose(c.source, "parts");
    EXPECT_EQ(field->RefTable, "parts");
    EXPECT_EQ(entries(c.field), (QStringList{"a", "b"}));
    choose(c.field, "b");
    EXPECT_EQ(field->RefColumn, "b");
    EXPECT_TRUE(field->GetReadyForFilling());
    for (const char* other : {"cbFloatRefField", "cbIntegerRefField", "cbTextRefField", "cbGUIDRefField"})
        if (std::string(other) != c.field) {
            EXPECT_EQ(control<QComboBox>(other)->count(), 0) << other;
        }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyLinks,
    ::testing::Values(TKeyLink{"orders", "customer_id", "customers", "id", "cbIntegerRefTable",
                               "cbIntegerRefField"},
                      TKeyLink{"part_uses", "pb", "parts", "b", "cbIntegerRefTable", "cbIntegerRefField"},
                      TKeyLink{"part_uses", "pa", "parts", "a", "cbIntegerRefTable", "cbIntegerRefField"},
                      TKeyLink{"kinds", "title", "", "", "cbTextRefTable", "cbTextRefField"},
                      TKeyLink{"kinds", "price", "", "", "cbFloatRefTable", "cbFloatRefField"},
                      TKeyLink{"kinds", "token", "", "", "cbGUIDRefTable", "cbGUIDRefField"}));

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
