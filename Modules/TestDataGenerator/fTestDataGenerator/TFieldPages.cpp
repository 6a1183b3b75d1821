#include "TFieldPages.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QDateEdit>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace tdg_pages {

namespace {

// Day 0 of the fill fields' date-times.
const QDate dayZero(1899, 12, 30);
constexpr double msPerDay = 86400000.0;

TPageDialogs toolkitDialogs() {
    TPageDialogs d;
    d.InputQuery = [](QWidget* parent, const QString& title,
                      const QString& prompt) -> std::optional<QString> {
        bool ok = false;
        QString answer = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, QString(), &ok);
        if (!ok) return std::nullopt;
        return answer;
    };
    d.Confirm = [](QWidget* parent, const QString& question) {
        return QMessageBox::question(parent, QString(), question,
                                     QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel) ==
               QMessageBox::Yes;
    };
    d.OpenFiles = [](QWidget* parent, const QString& folder, const QString& filter) {
        QFileDialog dialog(parent, QString(), folder, filter);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
    };
    d.OpenFile = [](QWidget* parent, const QString& current, const QString& filter, const QString& ext) {
        QFileDialog dialog(parent, QString(), current, filter);
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (!ext.isEmpty()) dialog.setDefaultSuffix(ext);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
        return dialog.selectedFiles().first();
    };
    d.ChooseFolder = [](QWidget* parent, const QString& current) {
        return QFileDialog::getExistingDirectory(parent, QString(), current);
    };
    d.ShowError = [](QWidget* parent, const QString& message) {
        QMessageBox::critical(parent, parent ? parent->window()->windowTitle() : QString(), message);
    };
    return d;
}

} // namespace

TPageDialogs& PageDialogs() {
    static TPageDialogs dialogs = toolkitDialogs();
    return dialogs;
}

QSpinBox* wholeNumberEdit(const char* name, int minimum, int maximum) {
    auto* edit = named(new QSpinBox, name);
    edit->setRange(minimum, maximum);
    return edit;
}

QDateEdit* dateEdit(const char* name) {
    auto* edit = named(new QDateEdit, name);
    edit->setMinimumDate(QDate(100, 1, 1));
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    return edit;
}

QTimeEdit* timeEdit(const char* name) {
    auto* edit = named(new QTimeEdit, name);
    edit->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    return edit;
}

QListWidget* valueList(const char* name) {
    auto* list = named(new QListWidget, name);
    list->setSortingEnabled(true);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    return list;
}

QToolButton* listButton(const char* name, const char* caption, const char* hint) {
    auto* button = named(new QToolButton, name);
    button->setText(QString::fromLatin1(caption));
    button->setToolTip(QString::fromLatin1(hint));
    return button;
}

QWidget* nameChooser(QLineEdit* edit, const char* buttonName, std::function<void()> browse) {
    auto* box = new QWidget;
    auto* button = named(new QToolButton, buttonName);
    button->setText(QStringLiteral("..."));
    QObject::connect(button, &QToolButton::clicked, box, [browse = std::move(browse)] { browse(); });
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(edit, 1);
    row->addWidget(button);
    return box;
}

QWidget* listWithButtons(const char* caption, QListWidget* list, QToolButton* first, QToolButton* second) {
    auto* box = new QWidget;
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(first);
    buttons->addWidget(second);
    buttons->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addWidget(list, 1);
    row->addLayout(buttons);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QString::fromLatin1(caption)));
    layout->addLayout(row, 1);
    return box;
}

void showList(QListWidget* list, const kvl::TStringList& values) {
    list->clear();
    for (const std::string& value : values)
        list->addItem(qs(value));
}

int entryOfCode(std::initializer_list<int> codes, int code) {
    int entry = 0;
    for (int c : codes) {
        if (c == code) return entry;
        ++entry;
    }
    return -1;
}

void setOption(QAbstractButton* button, bool checked) {
    bool exclusive = button->autoExclusive();
    button->setAutoExclusive(false);
    button->setChecked(checked);
    button->setAutoExclusive(exclusive);
}

QDate toQDate(kvl::TDateTime value) {
    return dayZero.addDays(static_cast<qint64>(std::floor(value)));
}

QTime toQTime(kvl::TDateTime value) {
    double fraction = value - std::floor(value);
    int ms = static_cast<int>(std::lround(fraction * msPerDay));
    if (ms >= static_cast<int>(msPerDay)) ms = static_cast<int>(msPerDay) - 1;
    return QTime::fromMSecsSinceStartOfDay(ms);
}

kvl::TDateTime fromQDate(const QDate& date) {
    return static_cast<kvl::TDateTime>(dayZero.daysTo(date));
}

kvl::TDateTime fromQTime(const QTime& time) {
    return time.msecsSinceStartOfDay() / msPerDay;
}

TFloatEdit::TFloatEdit(const char* name) {
    setObjectName(QString::fromLatin1(name));
    setDecimals(10);
    setRange(-2147483648.0, 2147483647.0);
    setGroupSeparatorShown(true);
}

QString TFloatEdit::textFromValue(double value) const {
    if (editing_) {
        QLocale typed = locale();
        typed.setNumberOptions(typed.numberOptions() | QLocale::OmitGroupSeparator);
        return typed.toString(value, 'g', 15);
    }
    QLocale shown = locale();
    shown.setNumberOptions(shown.numberOptions() & ~QLocale::OmitGroupSeparator);
    return shown.toString(value, 'f', 0);
}

double TFloatEdit::valueFromText(const QString& text) const {
    bool ok = false;
    double value = locale().toDouble(text, &ok);
    return ok ? value : this->value();
}

QValidator::State TFloatEdit::validate(QString& text, int&) const {
    QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed == locale().negativeSign() || trimmed == locale().decimalPoint())
        return QValidator::Intermediate;
    bool ok = false;
    double value = locale().toDouble(trimmed, &ok);
    if (!ok) return QValidator::Invalid;
    return value < minimum() || value > maximum() ? QValidator::Intermediate : QValidator::Acceptable;
}

void TFloatEdit::focusInEvent(QFocusEvent* event) {
    QDoubleSpinBox::focusInEvent(event);
    editing_ = true;
    showValue();
}

void TFloatEdit::focusOutEvent(QFocusEvent* event) {
    QDoubleSpinBox::focusOutEvent(event);
    editing_ = false;
    showValue();
}

void TFloatEdit::showValue() {
    // the rounded text must not be read back as the value
    const QSignalBlocker blocker(lineEdit());
    lineEdit()->setText(textFromValue(value()));
}

TDropDownList::TDropDownList(const char* name) {
    setObjectName(QString::fromLatin1(name));
    setMaxVisibleItems(16);
}

void TDropDownList::showPopup() {
    if (OnDropDown) OnDropDown();
    QComboBox::showPopup();
}

} // namespace tdg_pages
