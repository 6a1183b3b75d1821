#include "kvl3_lib/UImageList.h"
#include "kvl3_lib/UScreenCursor.h"
#include "kvl3_lib/fQSFConnectionForm.h"
#include "kvl3_lib/fWaitAMoment.h"

#include <QApplication>
#include <QPointer>
#include <gtest/gtest.h>

namespace {

class ClosingForm : public kvl::TfrmQSFForm {
public:
    ClosingForm() : kvl::TfrmQSFForm(nullptr) { FormCreate(); }
    bool refuse = false;

protected:
    void FormClose(kvl::TCloseAction& action) override {
        if (refuse) action = kvl::TCloseAction::caNone;
    }
};

TEST(QSFForm, ClosingFreesTheWindowUnlessItsCloseHandlerRefusesAndAnOwnedWindowGoesWithItsOwner) {
    QPointer<ClosingForm> form = new ClosingForm;
    form->show();
    form->refuse = true;
    EXPECT_FALSE(form->close());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(form.isNull());
    EXPECT_TRUE(form->isVisible());

    form->refuse = false;
    EXPECT_TRUE(form->close());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());

    // an owned window is a window of its own and goes with its owner
    auto* owner = new QWidget;
    QPointer<kvl::TfrmQSFConnectionForm> owned = new kvl::TfrmQSFConnectionForm(owner);
    EXPECT_TRUE(owned->isWindow());
    delete owner;
    EXPECT_TRUE(owned.isNull());
}

TEST(ScreenCursor, OneNormalCursorEndsAnyNumberOfWaitCursorsAndTheScopeEndsItsOwnOnAnException) {
    kvl::ScreenWaitCursor();
    kvl::ScreenWaitCursor();
    EXPECT_TRUE(kvl::ScreenCursorIsWait());
    kvl::ScreenNormalCursor();
    EXPECT_FALSE(kvl::ScreenCursorIsWait());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    try {
        kvl::TWaitCursorScope scope;
        EXPECT_TRUE(kvl::ScreenCursorIsWait());
        throw std::runtime_error("failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(kvl::ScreenCursorIsWait());
}

TEST(WaitAMoment, TicksCountOnlyWhileTheWindowShows) {
    kvl::TfrmWaitAMoment::ProgressTick();
    kvl::TfrmWaitAMoment::ShowForm();
    auto* form = kvl::TfrmWaitAMoment::Instance();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    kvl::TfrmWaitAMoment::ProgressTick();
    kvl::TfrmWaitAMoment::ProgressTick();
    EXPECT_EQ(form->Ticks(), 2);
    kvl::TfrmWaitAMoment::HideForm();
    EXPECT_FALSE(form->isVisible());
    kvl::TfrmWaitAMoment::ProgressTick();
    EXPECT_EQ(form->Ticks(), 2);
    kvl::TfrmWaitAMoment::ShowForm();
    EXPECT_EQ(form->Ticks(), 0) << "a new showing starts again";
    kvl::TfrmWaitAMoment::HideForm();
}

TEST(ImageList, TheImagesTheModuleUsesExistAndOthersAreEmpty) {
    auto& list = kvl::KVL_StdImgList();
    for (int index : {kvl::imgTable, kvl::imgColumnReady, kvl::imgColumn, kvl::imgTestDataGenerator})
        EXPECT_FALSE(list.Icon(index).isNull()) << index;
    EXPECT_TRUE(list.Icon(9999).isNull());
    EXPECT_NE(list.Icon(kvl::imgColumn).pixmap(16).toImage(),
              list.Icon(kvl::imgColumnReady).pixmap(16).toImage());
}

} // namespace
