#include "kvl3_lib/Umodulemanager.h"

#include <QMenu>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class RecordingModule : public kvl::IKVL_Module {
public:
    void AcceptApplicationData(const kvl::TApplicationData& appData) override {
        calls.push_back("accept");
        data = appData;
    }
    kvl::TModuleInfo GetModuleInfo() override { return {}; }
    void InitializeDBnavigatorPopupMenu(int, int, QMenu*, bool) override {}
    void EnableConnectionSensitiveModule(bool enable) override {
        calls.push_back(enable ? "enable" : "disable");
    }
    void EnableModule(bool) override {}

    std::vector<std::string> calls;
    kvl::TApplicationData data;
};

// The manager is one per process; every test leaves it as it found it.
class ModuleManager : public ::testing::Test {
protected:
    void TearDown() override {
        for (auto& m : registered)
            kvl::MM_UnregisterModule(m);
    }
    std::shared_ptr<RecordingModule> add() {
        auto m = std::make_shared<RecordingModule>();
        registered.push_back(m);
        kvl::MM_RegisterModule(m);
        return m;
    }
    std::vector<std::shared_ptr<RecordingModule>> registered;
};

TEST_F(ModuleManager, ModulesRegisteredBeforeAndAfterTheHandOverGetTheDataAndTheConnectionState) {
    QObject main, second, owner;
    auto early = add();
    kvl::MM_SetApplicationData({&main, &second, &owner});
    auto late = add();
    for (const auto& m : {early, late}) {
        EXPECT_EQ(m->calls, std::vector<std::string>{"accept"});
        EXPECT_EQ(m->data.MainRef, &main);
        EXPECT_EQ(m->data.SecondRef, &second);
        EXPECT_EQ(m->data.ActionOwner, &owner);
        m->calls.clear();
    }
    kvl::MM_UnregisterModule(late);
    kvl::MM_EnableConnectionSensitiveModules(true);
    kvl::MM_EnableConnectionSensitiveModules(false);
    EXPECT_EQ(early->calls, (std::vector<std::string>{"enable", "disable"}));
    EXPECT_TRUE(late->calls.empty());
}

TEST_F(ModuleManager, MenusAreFoundByNumberAndForgottenWhenDestroyed) {
    {
        QMenu menu;
        kvl::MM_SetMenu(100, &menu);
        EXPECT_EQ(kvl::MM_GetMenu(100), &menu);
        EXPECT_EQ(kvl::MM_GetMenu(101), nullptr);
    }
    EXPECT_EQ(kvl::MM_GetMenu(100), nullptr);
}

} // namespace
