// Runs GoogleTest cases inside a QApplication on the offscreen platform,
// with Qt's texts in Spanish as in the program. Every message Qt would
// print is also kept, for tests of what reaches the terminal.
#include <gtest/gtest.h>

#include <QApplication>

#include "spanish.hpp"
#include "test_support.hpp"

namespace {

QtMessageHandler printed = nullptr;

void keepAndPrint(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    glifora::test::loggedMessages() << message;
    printed(type, context, message);
}

}  // namespace

QStringList& glifora::test::loggedMessages()
{
    static QStringList messages;
    return messages;
}

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Installed before any window exists, so that a filter of the program's
    // own comes after it and sees every message first.
    printed = qInstallMessageHandler(keepAndPrint);
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    glifora::installSpanishTranslation(app);
    return RUN_ALL_TESTS();
}
