#pragma once
// Pieces shared by the column settings pages: the kinds of edit they use, the conversions
// between the fill fields' date-times and the toolkit's, and the dialogs they open.
#include "base/DateTime.h"
#include "base/StringList.h"

#include <QComboBox>
#include <QDate>
#include <QDoubleSpinBox>
#include <QString>
#include <QStringList>
#include <QTime>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>

class QAbstractButton;
class QDateEdit;
class QFormLayout;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QTimeEdit;
class QToolButton;
class QWidget;

namespace tdg_pages {

template <class T> T* named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

inline QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// A whole-number edit; the full 32-bit range unless told otherwise.
QSpinBox* wholeNumberEdit(const char* name, int minimum = INT32_MIN, int maximum = INT32_MAX);
QDateEdit* dateEdit(const char* name);
QTimeEdit* timeEdit(const char* name);
// A sorted list allowing several entries to be selected.
QListWidget* valueList(const char* name);
// "+" or "-" beside a value list.
QToolButton* listButton(const char* name, const char* caption, const char* hint);
// A file or folder name edit with a browse button; the button's click is handed to browse.
QWidget* nameChooser(QLineEdit* edit, const char* buttonName, std::function<void()> browse);

// A labelled value list with its two buttons beside it.
QWidget* listWithButtons(const char* caption, QListWidget* list, QToolButton* first, QToolButton* second);
// The list box shows a copy of the values.
void showList(QListWidget* list, const kvl::TStringList& values);
// The "Fill with" entry of a fill-type code, given the codes of the entries in order; -1 for none.
int entryOfCode(std::initializer_list<int> codes, int code);
// Checks the button exactly when checked is true, even when no button of its group stays checked.
void setOption(QAbstractButton* button, bool checked);

QDate toQDate(kvl::TDateTime value);
QTime toQTime(kvl::TDateTime value);
kvl::TDateTime fromQDate(const QDate& date);
kvl::TDateTime fromQTime(const QTime& time);

// Real numbers in the 32-bit range: thousands separators and no decimals while not being
// edited, every decimal while the user types.
class TFloatEdit : public QDoubleSpinBox {
public:
    explicit TFloatEdit(const char* name);
    QString textFromValue(double value) const override;
    double valueFromText(const QString& text) const override;
    QValidator::State validate(QString& text, int& pos) const override;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showValue();
    bool editing_ = false;
};

// A drop-down list that tells before it opens, so that it can fill itself with fresh entries.
class TDropDownList : public QComboBox {
public:
    explicit TDropDownList(const char* name);
    std::function<void()> OnDropDown;
    void showPopup() override;
};

// The dialogs of the pages. Tests put their own answers in place of the modal boxes.
struct TPageDialogs {
    // the answer, or nothing when the box was cancelled
    std::function<std::optional<QString>(QWidget*, const QString& title, const QString& prompt)> InputQuery;
    // true for Yes of a Yes, No and Cancel confirmation
    std::function<bool(QWidget*, const QString& question)> Confirm;
    // the chosen files, empty when cancelled
    std::function<QStringList(QWidget*, const QString& folder, const QString& filter)> OpenFiles;
    // the chosen file, empty when cancelled
    std::function<QString(QWidget*, const QString& current, const QString& filter, const QString& ext)>
        OpenFile;
    // the chosen folder, empty when cancelled
    std::function<QString(QWidget*, const QString& current)> ChooseFolder;
    std::function<void(QWidget*, const QString& message)> ShowError;
};

// The dialogs in use; initially the toolkit's own.
TPageDialogs& PageDialogs();

} // namespace tdg_pages
