// Test entry of the batch tests: one QApplication, headless unless told otherwise.
#include "store/core/uilanguage.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    store::UseChineseLanguage();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
