#pragma once
// Widgets need a QApplication; the test program's main comes from GoogleTest,
// so the first fixture that needs one creates it and it lives to the end.

#include <QApplication>

#include <gtest/gtest.h>

inline QApplication *testApplication()
{
    if (auto *app = qobject_cast<QApplication *>(QCoreApplication::instance()))
        return app;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "grid_tests";
    static char *argv[] = {name, nullptr};
    return new QApplication(argc, argv);
}

class WidgetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testApplication(); }
};
