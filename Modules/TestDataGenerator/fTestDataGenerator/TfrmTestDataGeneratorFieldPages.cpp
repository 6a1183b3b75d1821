// The frame of the column settings: one page per fill-field class, each with its NULL strip and
// its own page set in the order of the class's "Fill with" entries. Choosing an entry shows its
// page and writes the entry's fill type straight into the shown fill field.
#include "TFieldPages.h"
#include "TFillerTreeModel.h"
#include "TfrmTestDataGenerator.h"
#include "UTFillObject/TBlobFillField.h"
#include "UTFillObject/TBoolBitFillField.h"
#include "UTFillObject/TDateFillField.h"
#include "UTFillObject/TFloatFillField.h"
#include "UTFillObject/TGUIDFillField.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "base/Exceptions.h"
#include "base/Format.h"
#include "kvl3_lib/UImageList.h"
#include "kvl3_lib/UScreenCursor.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>

using namespace tdg_pages;

namespace {

// The image index of a source list's table or view.
constexpr int imgSourceView = 33;
constexpr int imageTextOffset = 18;

struct TClassStrip {
    const char* page;
    const char* set;
    const char* nulls;
    const char* percentage;
};

// In the order of the class pages of pcField.
const TClassStrip classStrips[7] = {
    {"tsText", "pcText", "cbTextIncludeNULLs", "edTextIncludeNULLsPercentage"},
    {"tsInteger", "pcInteger", "cbIntegerIncludeNULLs", "edIntegerIncludeNULLsPercentage"},
    {"tsFloat", "pcFloat", "cbFloatIncludeNULLs", "edFloatIncludeNULLsPercentage"},
    {"tsTimestamp", "pcTimestamp", "cbTimestampIncludeNULLs", "edTimestampIncludeNULLsPercentage"},
    {"tsBLOB", "pcBLOB", "cbBLOBIncludeNULLs", "edBLOBIncludeNULLsPercentage"},
    {"tsGUID", "pcGUID", "cbGUIDIncludeNulls", "edGUIDIncludeNULLsPercentage"},
    {"tsBoolean", "pcBoolean", "cbBooleanIncludeNulls", "edBooleanIncludeNULLsPercentage"},
};

// Fill-type code of each page, per page set; the text page of random values (-1) stands for
// the chosen option.
const std::vector<int> floatCodes{0, 1, 2, 5, 21, 4};
const std::vector<int> integerCodes{0, 1, 2, 5, 21, 4, 3};
const std::vector<int> textCodes{0, 1, -1, 2, 4, 3, 21};
const std::vector<int> timestampCodes{0, 1, 2, 21};
const std::vector<int> blobCodes{0, 1, 2, 3};
const std::vector<int> guidCodes{0, 22, 4};
const std::vector<int> booleanCodes{0, 1, 2};

struct TClassPage {
    QWidget* page;
    QStackedWidget* set;
    std::vector<QWidget*> pages;
    QCheckBox* nulls;
    QSpinBox* percentage;
};

TClassPage addClassPage(QStackedWidget* pcField, const TClassStrip& strip,
                        std::initializer_list<const char*> pageNames) {
    TClassPage result{};
    result.page = named(new QWidget, strip.page);
    result.set = named(new QStackedWidget, strip.set);
    for (const char* name : pageNames) {
        auto* page = named(new QWidget, name);
        result.set->addWidget(page);
        result.pages.push_back(page);
    }
    result.nulls = named(new QCheckBox(QStringLiteral("Include NULLs")), strip.nulls);
    result.percentage = wholeNumberEdit(strip.percentage, 0, 100);
    result.percentage->setValue(10);
    result.nulls->setEnabled(false);
    result.percentage->setEnabled(false);
    auto* nullRow = new QHBoxLayout;
    nullRow->addWidget(result.nulls);
    nullRow->addWidget(result.percentage);
    nullRow->addWidget(new QLabel(QStringLiteral("% of rows")));
    nullRow->addStretch(1);
    auto* layout = new QVBoxLayout(result.page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(result.set, 1);
    layout->addLayout(nullRow);
    pcField->addWidget(result.page);
    return result;
}

// Draws the entries of the source and field lists through the window's draw handlers.
class TReferenceListDelegate : public QStyledItemDelegate {
public:
    using TDraw = std::function<void(QPainter*, const QStyleOptionViewItem&, const QModelIndex&)>;
    TReferenceListDelegate(QObject* parent, TDraw draw)
        : QStyledItemDelegate(parent), draw_(std::move(draw)) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget); // background only
        draw_(painter, option, index);
    }

private:
    TDraw draw_;
};

void drawEntry(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index, int image) {
    const QRect& r = option.rect;
    if (image >= 0) kvl::KVL_StdImgList().Icon(image).paint(painter, QRect(r.left(), r.top(), 16, 16));
    painter->save();
    painter->setPen(option.state & QStyle::State_Selected ? option.palette.color(QPalette::HighlightedText)
                                                          : option.palette.color(QPalette::Text));
    painter->drawText(r.adjusted(imageTextOffset, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                      index.data().toString());
    painter->restore();
}

kvl::IKVL_Ref objectOf(const QModelIndex& index) {
    return index.data(Qt::UserRole).value<kvl::IKVL_Ref>();
}

bool qualifiesOwner(const std::shared_ptr<kvl::IKVL_Schema>& schema) {
    return schema &&
           (schema->Capability(kvl::capSchemas).Supported || schema->Capability(kvl::capOwners).Supported);
}

} // namespace

QWidget* TfrmTestDataGenerator::createFieldSettings() {
    auto* area = named(new QWidget, "pnlFieldSettings");
    cbFillWith = named(new QComboBox, "cbFillWith");
    auto* fillWithRow = new QHBoxLayout;
    fillWithRow->addWidget(new QLabel(QStringLiteral("Fill with")));
    fillWithRow->addWidget(cbFillWith, 1);
    connect(cbFillWith, &QComboBox::activated, this, [this] {
        try {
            cbFillWithChange();
        } catch (const std::exception& e) {
            reportError(e);
        }
    });

    pcField = named(new QStackedWidget, "pcField");
    auto text = addClassPage(pcField, classStrips[0],
                             {"tsTextNothing", "tsTextFixed", "tsTextRandom", "tsTextFromFile",
                              "tsTextReferential", "tsTextList", "tsTextIncreasing"});
    auto integer =
        addClassPage(pcField, classStrips[1],
                     {"tsIntegerNothing", "tsIntegerFixed", "tsIntegerRandom", "tsIntegerGenerator",
                      "tsIntegerIncreasing", "tsIntegerReferential", "tsIntegerList"});
    auto floats = addClassPage(pcField, classStrips[2],
                               {"tsFloatNothing", "tsFloatFixed", "tsFloatRandom", "tsFloatGenerator",
                                "tsFloatIncreasing", "tsFloatReferential"});
    auto timestamp =
        addClassPage(pcField, classStrips[3],
                     {"tsTimestampNothing", "tsTimestampFixed", "tsTimestampRandom", "tsTimestampIncValues"});
    auto blob = addClassPage(pcField, classStrips[4],
                             {"tsBLOBNothing", "tsBLOBFile", "tsBLOBDirectory", "tsBLOBFileFromList"});
    auto guid = addClassPage(pcField, classStrips[5], {"tsGUIDNothing", "tsGUIDRandom", "tsGUIDReferential"});
    auto boolean =
        addClassPage(pcField, classStrips[6], {"tsBooleanNothing", "tsBooleanFixed", "tsBooleanRandom"});
    const TClassPage* all[7] = {&text, &integer, &floats, &timestamp, &blob, &guid, &boolean};
    for (int i = 0; i < 7; ++i) {
        cbNULLs[i] = all[i]->nulls;
        edNULLsPercentage[i] = all[i]->percentage;
        connect(cbNULLs[i], &QCheckBox::clicked, this, &TfrmTestDataGenerator::cbIntegerIncludeNULLsClick);
        connect(edNULLsPercentage[i], &QSpinBox::valueChanged, this,
                &TfrmTestDataGenerator::edIntegerIncludeNULLsPercentageChange);
    }
    tsText = text.page, pcText = text.set;
    tsInteger = integer.page, pcInteger = integer.set;
    tsFloat = floats.page, pcFloat = floats.set;
    tsTimestamp = timestamp.page, pcTimestamp = timestamp.set;
    tsBLOB = blob.page, pcBLOB = blob.set;
    tsGUID = guid.page, pcGUID = guid.set;
    tsBoolean = boolean.page, pcBoolean = boolean.set;

    createTextPages(text.pages);
    createIntegerPages(integer.pages);
    createFloatPages(floats.pages);
    createTimestampPages(timestamp.pages);
    createBLOBPages(blob.pages);
    createBooleanPages(boolean.pages);
    createReferencePair(guid.pages[2], cbGUIDRefTable, "cbGUIDRefTable", cbGUIDRefField, "cbGUIDRefField");

    auto* layout = new QVBoxLayout(area);
    layout->addLayout(fillWithRow);
    layout->addWidget(pcField, 1);
    return area;
}

void TfrmTestDataGenerator::createReferencePair(QWidget* page, QComboBox*& table, const char* tableName,
                                                QComboBox*& field, const char* fieldName) {
    table = new TDropDownList(tableName);
    field = new TDropDownList(fieldName);
    table->setItemDelegate(new TReferenceListDelegate(
        table, [this](auto* p, const auto& o, const auto& i) { cbTextRefTableDrawItem(p, o, i); }));
    field->setItemDelegate(new TReferenceListDelegate(
        field, [this](auto* p, const auto& o, const auto& i) { cbTextRefFieldDrawItem(p, o, i); }));
    QComboBox* source = table;
    QComboBox* column = field;
    connect(table, &QComboBox::activated, this, [this, source] { cbFloatRefTableChange(source); });
    connect(field, &QComboBox::activated, this, [this, column] { cbFloatRefFieldChange(column); });
    auto* form = new QFormLayout(page);
    form->addRow(QStringLiteral("Source"), table);
    form->addRow(QStringLiteral("Field"), field);
}

void TfrmTestDataGenerator::createGeneratorRow(QWidget* page, QLabel*& label, const char* labelName,
                                               QComboBox*& list, const char* listName) {
    label = named(new QLabel(QStringLiteral("Generator")), labelName);
    auto* box = new TDropDownList(listName);
    box->OnDropDown = [this, box] { cbIntegerGeneratorDropDown(box); };
    list = box;
    auto* form = new QFormLayout(page);
    form->addRow(label, list);
}

void TfrmTestDataGenerator::ShowFillFieldProperties(TCustomFillField* Field) {
    FCurrentFillField = Field;
    FUpdating = true;
    struct TEndUpdate {
        bool& updating;
        ~TEndUpdate() { updating = false; }
    } endUpdate{FUpdating};
    pcField->setVisible(true);
    if (auto* text = dynamic_cast<TTextFillField*>(Field))
        ShowTextFieldProperties(text);
    else if (auto* integer = dynamic_cast<TIntegerFillField*>(Field))
        ShowIntegerFieldProperties(integer);
    else if (auto* real = dynamic_cast<TFloatFillField*>(Field))
        ShowFloatFieldProperties(real);
    else if (auto* date = dynamic_cast<TDateFillField*>(Field))
        ShowDateFieldProperties(date);
    else if (auto* blob = dynamic_cast<TBlobFillField*>(Field))
        ShowBLOBFieldProperties(blob);
    else if (auto* guid = dynamic_cast<TGUIDFillField*>(Field))
        ShowGUIDFieldProperties(guid);
    else if (auto* boolean = dynamic_cast<TBoolBitFillField*>(Field))
        ShowBooleanFieldProperties(boolean);
    else {
        const QSignalBlocker blocker(cbFillWith);
        cbFillWith->clear();
        FCurrentTypePages = nullptr;
        pcField->setVisible(false);
        return;
    }
    cbFillWithChange();
}

void TfrmTestDataGenerator::showClassPage(QWidget* classPage, QStackedWidget* pages,
                                          TCustomFillField* Field) {
    pcField->setCurrentWidget(classPage);
    FCurrentTypePages = pages;
    pages->setCurrentIndex(0);
    {
        const QSignalBlocker blocker(cbFillWith);
        cbFillWith->clear();
    }
    int strip = pcField->indexOf(classPage);
    cbNULLs[strip]->setChecked(Field->IncludeNulls && Field->Nullable);
    cbNULLs[strip]->setEnabled(Field->Nullable);
    edNULLsPercentage[strip]->setValue(Field->NullPercentage);
    edNULLsPercentage[strip]->setEnabled(Field->Nullable);
}

void TfrmTestDataGenerator::addFillWithEntries(std::initializer_list<const char*> entries, int chosen) {
    const QSignalBlocker blocker(cbFillWith);
    auto schema = GetSchema();
    std::string sequences = schema ? schema->KindDisplayName(kvl::okGenerator, false) : std::string();
    for (const char* entry : entries) {
        QString caption = QString::fromLatin1(entry);
        if (caption == QLatin1String("Link to Sequence") && !sequences.empty())
            caption = QStringLiteral("Link to ") + qs(sequences);
        cbFillWith->addItem(caption);
    }
    cbFillWith->setCurrentIndex(chosen);
}

void TfrmTestDataGenerator::cbFillWithChange() {
    if (!FCurrentTypePages) return;
    int entry = cbFillWith->currentIndex();
    if (FCurrentTypePages == pcText && entry < 0)
        throw kvl::Exception(kvl::Format("Unhandled itemindex value: %d", {entry}));
    FCurrentTypePages->setVisible(entry >= 0);
    if (entry >= 0) FCurrentTypePages->setCurrentIndex(entry);
    SetFieldFillType();
}

namespace {

int codeOfPage(const std::vector<int>& codes, int page) {
    return page >= 0 && page < static_cast<int>(codes.size()) ? codes[static_cast<size_t>(page)] : 0;
}

} // namespace

void TfrmTestDataGenerator::SetFieldFillType() {
    if (!FCurrentFillField) return;
    int code = 0;
    int page = FCurrentTypePages && !FCurrentTypePages->isHidden() ? FCurrentTypePages->currentIndex() : -1;
    if (FCurrentTypePages == pcText && page == 2) {
        const std::pair<QRadioButton*, int> options[] = {
            {rbTextRandom, 18},         {rbTextURL, 12},
            {rbTextEmail, 11},          {rbTextRandomPhone, 10},
            {rbTextRandomAddresses, 7}, {rbTextRandomCities, 8},
            {rbTextRandomCountries, 9}, {rbTextRandomFirstnames, 5},
            {rbTextRandomLastnames, 6}, {rbTextRandomFullNames, 19},
            {rbTextMasked, 20},         {rbTextRandomGUID, 22}};
        for (const auto& [button, optionCode] : options)
            if (button->isChecked()) {
                code = optionCode;
                break;
            }
    } else if (FCurrentTypePages == pcText)
        code = codeOfPage(textCodes, page);
    else if (FCurrentTypePages == pcInteger)
        code = codeOfPage(integerCodes, page);
    else if (FCurrentTypePages == pcFloat)
        code = codeOfPage(floatCodes, page);
    else if (FCurrentTypePages == pcTimestamp)
        code = codeOfPage(timestampCodes, page);
    else if (FCurrentTypePages == pcBLOB)
        code = codeOfPage(blobCodes, page);
    else if (FCurrentTypePages == pcGUID)
        code = codeOfPage(guidCodes, page);
    else if (FCurrentTypePages == pcBoolean)
        code = codeOfPage(booleanCodes, page);

    int old = FCurrentFillField->FillType;
    FCurrentFillField->FillType = code;
    refreshCurrentField();
    if (code == 4 && FCurrentFillField->RefTable.empty() && old != 4) linkToForeignKey();
}

void TfrmTestDataGenerator::linkToForeignKey() {
    auto table = FSelectedProject ? kvl::Supports<kvl::IKVL_Table>(FSelectedProject->TableObject) : nullptr;
    if (!table) return;
    const kvl::TWaitCursorScope wait;
    TCustomFillField* field = FCurrentFillField;
    auto keys = table->ForeignKeys();
    if (!keys) return;
    for (const auto& item : *keys) {
        auto key = kvl::Supports<kvl::IKVL_ForeignKey>(item);
        if (!key) continue;
        std::vector<std::string> columns = key->ColumnNames();
        auto at = std::find(columns.begin(), columns.end(), field->ColumnName);
        if (at == columns.end()) continue;
        auto schema = GetSchema();
        auto tables = schema ? schema->Tables() : nullptr;
        auto referenced = kvl::IList_ByName(tables, key->ReferencedTable(), false);
        if (!referenced) referenced = kvl::IList_BySearchName(tables, key->ReferencedTable(), false);
        if (referenced) {
            field->RefTable = referenced->Name();
            if (qualifiesOwner(schema)) field->RefTableOwner = referenced->OwnerName();
            auto position = static_cast<size_t>(at - columns.begin());
            std::vector<std::string> targets = key->ReferencedColumnNames();
            if (position < targets.size()) field->RefColumn = targets[position];
        }
        ShowFillFieldProperties(field);
        return;
    }
}

// The entry of the source list that is the field's link: by the object behind it, since the list
// shows the names as the schema displays them, with or without the owner.
static int referenceEntry(const QComboBox* table, const TCustomFillField& Field) {
    for (int entry = 0; entry < table->count(); ++entry) {
        auto relation = kvl::Supports<kvl::IKVL_Relation>(table->itemData(entry).value<kvl::IKVL_Ref>());
        if (!relation || !kvl::SameText(relation->Name(), Field.RefTable)) continue;
        if (Field.RefTableOwner.empty() || kvl::SameText(relation->OwnerName(), Field.RefTableOwner))
            return entry;
    }
    return -1;
}

void TfrmTestDataGenerator::showReference(QComboBox* table, QComboBox* field, TCustomFillField* Field) {
    table->setCurrentIndex(Field->RefTable.empty() ? -1 : referenceEntry(table, *Field));
    cbFloatRefTableChange(table);
    field->setCurrentIndex(field->findText(qs(Field->RefColumn)));
}

void TfrmTestDataGenerator::cbFloatRefTableChange(QComboBox* Sender) {
    if (!FCurrentFillField || Sender->currentIndex() < 0) return;
    auto relation = kvl::Supports<kvl::IKVL_Relation>(Sender->currentData().value<kvl::IKVL_Ref>());
    if (!relation) return;
    FCurrentFillField->RefTable = relation->Name();
    if (qualifiesOwner(GetSchema())) FCurrentFillField->RefTableOwner = relation->OwnerName();
    QComboBox* field = Sender == cbFloatRefTable     ? cbFloatRefField
                       : Sender == cbIntegerRefTable ? cbIntegerRefField
                       : Sender == cbTextRefTable    ? cbTextRefField
                                                     : cbGUIDRefField;
    const QSignalBlocker blocker(field);
    field->clear();
    auto table = kvl::Supports<kvl::IKVL_Table>(Sender->currentData().value<kvl::IKVL_Ref>());
    auto columns = table ? table->Columns() : nullptr;
    if (columns)
        for (const auto& column : *columns)
            field->addItem(qs(column->Name()), QVariant::fromValue(column));
    field->model()->sort(0);
    field->setCurrentIndex(-1);
    refreshCurrentField();
}

void TfrmTestDataGenerator::cbFloatRefFieldChange(QComboBox* Sender) {
    if (!editable() || Sender->currentIndex() < 0) return;
    FCurrentFillField->RefColumn = Sender->currentText().toStdString();
    refreshCurrentField();
}

void TfrmTestDataGenerator::cbTextRefTableDrawItem(QPainter* painter, const QStyleOptionViewItem& option,
                                                   const QModelIndex& index) const {
    kvl::IKVL_Ref object = objectOf(index);
    int image = -1;
    if (kvl::ObjectSupports<kvl::IKVL_Table>(object)) image = kvl::imgTable;
    if (kvl::ObjectSupports<kvl::IKVL_View>(object)) image = imgSourceView;
    drawEntry(painter, option, index, image);
}

void TfrmTestDataGenerator::cbTextRefFieldDrawItem(QPainter* painter, const QStyleOptionViewItem& option,
                                                   const QModelIndex& index) const {
    drawEntry(painter, option, index, kvl::KVL_GetObjectImage(objectOf(index), GetSchema()));
}

void TfrmTestDataGenerator::cbIntegerGeneratorDropDown(QComboBox* Sender) {
    const QSignalBlocker blocker(Sender);
    QString remembered = Sender->currentText();
    Sender->clear();
    if (FDatabase)
        for (const auto& object : FDatabase->ObjectsOfKind(kvl::okGenerator))
            if (object) Sender->addItem(qs(object->DisplayName()));
    Sender->model()->sort(0);
    Sender->setCurrentIndex(remembered.isEmpty() ? -1 : Sender->findText(remembered));
}

void TfrmTestDataGenerator::edIntegerIncludeNULLsPercentageChange(int value) {
    if (!FCurrentFillField) return;
    FCurrentFillField->NullPercentage = value;
}

void TfrmTestDataGenerator::cbIntegerIncludeNULLsClick(bool checked) {
    if (!FCurrentFillField) return;
    FCurrentFillField->IncludeNulls = checked;
}

bool TfrmTestDataGenerator::editable() const {
    return FCurrentFillField && !FUpdating;
}

void TfrmTestDataGenerator::refreshCurrentField() {
    TFillProject* project = FCurrentFillField ? FCurrentFillField->getProject() : nullptr;
    QModelIndex table = project ? FTreeModel->TableNode(project) : QModelIndex();
    if (!table.isValid() || !project->FillFieldsRead()) return;
    const TFillFieldList& fields = project->GetFillFields();
    for (size_t row = 0; row < fields.size(); ++row)
        if (fields[row].get() == FCurrentFillField)
            FTreeModel->Refresh(FTreeModel->index(static_cast<int>(row), 0, table));
}

void TfrmTestDataGenerator::reportError(const std::exception& error) {
    kvl::ScreenNormalCursor();
    PageDialogs().ShowError(this, QString::fromStdString(error.what()));
}

void TfrmTestDataGenerator::listChanged(QListWidget* list) {
    if (!FCurrentFillField) return;
    kvl::TStringList values;
    for (int i = 0; i < list->count(); ++i)
        values.Add(list->item(i)->text().toStdString());
    FCurrentFillField->ListValues.Assign(values);
    refreshCurrentField();
}

void TfrmTestDataGenerator::deleteSelected(QListWidget* list, const char* question) {
    if (!PageDialogs().Confirm(this, QString::fromLatin1(question))) return;
    for (int row = list->count() - 1; row >= 0; --row)
        if (list->item(row)->isSelected()) delete list->takeItem(row);
    listChanged(list);
}
