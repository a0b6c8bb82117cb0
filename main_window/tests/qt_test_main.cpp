// Runs GoogleTest cases inside a QApplication on the offscreen platform,
// with Qt's texts in Spanish as in the program.
#include <gtest/gtest.h>

#include <QApplication>

#include "spanish.hpp"

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    glifora::installSpanishTranslation(app);
    return RUN_ALL_TESTS();
}
