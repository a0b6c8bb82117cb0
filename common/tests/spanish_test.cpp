// The program's formats are Spanish whatever the system's locale says: this
// program starts as one would with LANG unset.
#include <gtest/gtest.h>

#include "spanish.hpp"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <cstdlib>

namespace {

// The text a file dialog's detail view shows for name, in column.
QString shownDetail(QFileDialog& dialog, const QString& name, int column)
{
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!view)
        return QStringLiteral("(no detail view)");
    QAbstractItemModel* model = view->model();
    QString found;
    const bool listed = QTest::qWaitFor(
        [&] {
            const QModelIndex root = view->rootIndex();
            for (int row = 0; row < model->rowCount(root); ++row) {
                if (model->index(row, 0, root).data().toString() == name) {
                    found = model->index(row, column, root).data().toString();
                    return true;
                }
            }
            return false;
        },
        10000);
    return listed ? found : QStringLiteral("(not listed)");
}

TEST(SpanishFileDetails, FileDialogWritesSizesAndDatesTheSpanishWayWithLangUnset)
{
    ASSERT_NE(QLocale::system().language(), QLocale::Spanish) << "the test needs another locale";
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("letra.pbm")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(1126, '0'));
    file.close();
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("muestras")));

    QFileDialog dialog(nullptr, QStringLiteral("Abrir"), dir.path());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setViewMode(QFileDialog::Detail);
    glifora::useSpanishFileDetails(dialog);
    dialog.show();

    EXPECT_EQ(shownDetail(dialog, QStringLiteral("letra.pbm"), 1), QStringLiteral("1,10 KiB"));
    // "7/12/24 10:05", not "7 Dec 2024 10:05:00".
    const QString date = shownDetail(dialog, QStringLiteral("letra.pbm"), 3);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{1,2}/\\d{1,2}/\\d{2} \\d{1,2}:\\d{2}$"))
                    .match(date)
                    .hasMatch())
        << date.toStdString();
    EXPECT_EQ(shownDetail(dialog, QStringLiteral("muestras"), 2), QStringLiteral("Carpeta"));
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // As a user's session without a locale: Qt's own system locale is C.
    for (const char* name : { "LC_ALL", "LC_TIME", "LC_NUMERIC", "LANGUAGE" })
        qunsetenv(name);
    qputenv("LANG", "C");
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    glifora::installSpanishTranslation(app);
    return RUN_ALL_TESTS();
}
