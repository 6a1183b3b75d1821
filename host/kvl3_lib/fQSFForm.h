#pragma once
#include <QMainWindow>
#include <string>

namespace kvl {

enum class TCloseAction { caNone, caHide, caFree };

// Base of the host's tool windows: a top-level window owned by a session window, freed when
// it is closed unless its close handler says otherwise.
class TfrmQSFForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmQSFForm(QWidget* owner);
    ~TfrmQSFForm() override;

    std::string GetCaption() const;
    void SetCaption(const std::string& caption);
    // The host's print command; a window with nothing to print overrides it with nothing.
    virtual void PrintForm();
    // The help topic the host opens for F1.
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int context) { helpContext_ = context; }

protected:
    // The creation handler: derived windows call it first from their own, once their controls
    // exist.
    virtual void FormCreate();
    // Asked before the window closes; caNone keeps it open.
    virtual void FormClose(TCloseAction& action);
    void closeEvent(QCloseEvent* event) override;

private:
    int helpContext_ = 0;
};

} // namespace kvl
