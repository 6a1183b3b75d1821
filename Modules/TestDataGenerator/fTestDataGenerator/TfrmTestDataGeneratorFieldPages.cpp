// The frame of the column settings: one page per fill-field class, each with its own page set
// in the order of the class's "Fill with" entries. The controls that the window fills when it
// is created (sequence names, source tables) are made here too.
#include "TfrmTestDataGenerator.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <initializer_list>
#include <vector>

namespace {

struct TClassPages {
    QStackedWidget* pages;
    std::vector<QWidget*> page;
};

// A class page of pcField holding its page set with the named (still empty) pages.
TClassPages addClassPage(QStackedWidget* pcField, const char* pageName, const char* setName,
                         std::initializer_list<const char*> pageNames) {
    auto* classPage = new QWidget;
    classPage->setObjectName(QString::fromLatin1(pageName));
    auto* set = new QStackedWidget(classPage);
    set->setObjectName(QString::fromLatin1(setName));
    TClassPages result{set, {}};
    for (const char* name : pageNames) {
        auto* page = new QWidget;
        page->setObjectName(QString::fromLatin1(name));
        set->addWidget(page);
        result.page.push_back(page);
    }
    auto* layout = new QVBoxLayout(classPage);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(set);
    pcField->addWidget(classPage);
    return result;
}

QComboBox* sortedList(const char* name) {
    auto* box = new QComboBox;
    box->setObjectName(QString::fromLatin1(name));
    box->setMaxVisibleItems(16);
    return box;
}

// A "Source" and "Field" pair choosing a referenced table and column.
void addReferencePair(QWidget* page, QComboBox*& table, const char* tableName, QComboBox*& field,
                      const char* fieldName) {
    table = sortedList(tableName);
    field = sortedList(fieldName);
    auto* form = new QFormLayout(page);
    form->addRow(QStringLiteral("Source"), table);
    form->addRow(QStringLiteral("Field"), field);
}

void addGeneratorRow(QWidget* page, QLabel*& label, const char* labelName, QComboBox*& list,
                     const char* listName) {
    label = new QLabel(QStringLiteral("Generator"));
    label->setObjectName(QString::fromLatin1(labelName));
    list = sortedList(listName);
    auto* form = new QFormLayout(page);
    form->addRow(label, list);
}

} // namespace

QWidget* TfrmTestDataGenerator::createFieldSettings() {
    auto* area = new QWidget;
    area->setObjectName(QStringLiteral("pnlFieldSettings"));
    cbFillWith = new QComboBox;
    cbFillWith->setObjectName(QStringLiteral("cbFillWith"));
    auto* fillWithRow = new QHBoxLayout;
    fillWithRow->addWidget(new QLabel(QStringLiteral("Fill with")));
    fillWithRow->addWidget(cbFillWith, 1);

    pcField = new QStackedWidget;
    pcField->setObjectName(QStringLiteral("pcField"));
    auto text = addClassPage(pcField, "tsText", "pcText",
                             {"tsTextNothing", "tsTextFixed", "tsTextRandom", "tsTextFromFile",
                              "tsTextReferential", "tsTextList", "tsTextIncreasing"});
    auto integer =
        addClassPage(pcField, "tsInteger", "pcInteger",
                     {"tsIntegerNothing", "tsIntegerFixed", "tsIntegerRandom", "tsIntegerGenerator",
                      "tsIntegerIncreasing", "tsIntegerReferential", "tsIntegerList"});
    auto floats = addClassPage(pcField, "tsFloat", "pcFloat",
                               {"tsFloatNothing", "tsFloatFixed", "tsFloatRandom", "tsFloatGenerator",
                                "tsFloatIncreasing", "tsFloatReferential"});
    addClassPage(pcField, "tsTimestamp", "pcTimestamp",
                 {"tsTimestampNothing", "tsTimestampFixed", "tsTimestampRandom", "tsTimestampIncValues"});
    addClassPage(pcField, "tsBLOB", "pcBLOB",
                 {"tsBLOBNothing", "tsBLOBFile", "tsBLOBDirectory", "tsBLOBFileFromList"});
    auto guid =
        addClassPage(pcField, "tsGUID", "pcGUID", {"tsGUIDNothing", "tsGUIDRandom", "tsGUIDReferential"});
    addClassPage(pcField, "tsBoolean", "pcBoolean",
                 {"tsBooleanNothing", "tsBooleanFixed", "tsBooleanRandom"});
    pcFloat = floats.pages;

    addGeneratorRow(floats.page[3], lblFloatGenerator, "lblFloatGenerator", cbFloatGenerator,
                    "cbFloatGenerator");
    addGeneratorRow(integer.page[3], lblIntGenerator, "lblIntGenerator", cbIntegerGenerator,
                    "cbIntegerGenerator");
    addReferencePair(floats.page[5], cbFloatRefTable, "cbFloatRefTable", cbFloatRefField, "cbFloatRefField");
    addReferencePair(integer.page[5], cbIntegerRefTable, "cbIntegerRefTable", cbIntegerRefField,
                     "cbIntegerRefField");
    addReferencePair(text.page[4], cbTextRefTable, "cbTextRefTable", cbTextRefField, "cbTextRefField");
    addReferencePair(guid.page[2], cbGUIDRefTable, "cbGUIDRefTable", cbGUIDRefField, "cbGUIDRefField");

    auto* layout = new QVBoxLayout(area);
    layout->addLayout(fillWithRow);
    layout->addWidget(pcField, 1);
    return area;
}

void TfrmTestDataGenerator::ShowFillFieldProperties(TCustomFillField* Field) {
    FCurrentFillField = Field;
    FUpdating = true;
    pcField->setVisible(true);
    FUpdating = false;
}
