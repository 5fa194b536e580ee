// Drawing text needs a QGuiApplication; one is made for the whole test
// program, on the offscreen platform when there is no display.
#include <gtest/gtest.h>

#include <QGuiApplication>

#include <memory>

namespace {

class GuiEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
            && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "slips_forms";
    char *argv_[2] = {name_, nullptr};
    std::unique_ptr<QGuiApplication> app_;
};

const testing::Environment *const g_gui = testing::AddGlobalTestEnvironment(new GuiEnvironment);

} // namespace
