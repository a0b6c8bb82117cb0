#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "form1.hpp"
#include "form2.hpp"
#include "test_support.hpp"

using namespace glifora;
using test::catchMessageBox;

namespace {

class Form2Test : public testing::Test {
protected:
    Form2Test()
    {
        drive.writeFile("refset.db", "# referencias\nA 1 2 3\n");
        window = std::make_unique<Form1>(drive.root(), std::make_unique<test::ScriptedChooser>());
        window->show();
    }

    // Clicks "Base de Datos" and returns the message box it showed, if any.
    test::SeenBox clickBaseDeDatos()
    {
        auto* command5 = window->findChild<QPushButton*>("Command5");
        return catchMessageBox([&] { QTest::mouseClick(command5, Qt::LeftButton); });
    }

    QString shownText() const { return window->databaseWindow()->view()->toPlainText(); }

    int databaseWindowsOpen() const
    {
        int count = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            count += w->isVisible() && w->windowTitle() == "Base de Datos";
        return count;
    }

    test::DriveRoot drive;
    std::unique_ptr<Form1> window;
};

TEST_F(Form2Test, OpensBeforeAnyImageWithoutWarningShowingTheDatabase)
{
    EXPECT_EQ(window->databaseWindow(), nullptr) << "created before the first click";
    EXPECT_FALSE(clickBaseDeDatos().seen);

    Form2* form2 = window->databaseWindow();
    ASSERT_NE(form2, nullptr);
    QWidget* shown = form2->window();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(shown->windowTitle(), "Base de Datos");
    EXPECT_EQ(shown->size(), QSize(503, 403));
    EXPECT_EQ(shown->parentWidget(), nullptr) << "must not be owned by the main window";
    EXPECT_FALSE(shown->isModal());

    TextView* view = form2->view();
    EXPECT_EQ(view->geometry(), QRect(16, 16, 433, 377));
    EXPECT_TRUE(view->isReadOnly());
    EXPECT_EQ(view->accessibleName(), "Base de Datos");
    EXPECT_EQ(view->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(view->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
    EXPECT_EQ(shownText(), "# referencias\nA 1 2 3\n");
    EXPECT_TRUE(window->isEnabled());
}

TEST_F(Form2Test, SecondClickWhileOpenNeitherReloadsNorOpensAnotherWindow)
{
    clickBaseDeDatos();
    Form2* first = window->databaseWindow();
    QWidget* firstWindow = first->window();
    drive.writeFile("refset.db", "cambiado\n");
    firstWindow->showMinimized();

    EXPECT_FALSE(clickBaseDeDatos().seen);
    EXPECT_EQ(window->databaseWindow(), first);
    EXPECT_EQ(first->window(), firstWindow);
    EXPECT_EQ(shownText(), "# referencias\nA 1 2 3\n");
    EXPECT_EQ(databaseWindowsOpen(), 1);
    EXPECT_FALSE(firstWindow->isMinimized()) << "a click restores the window";
}

TEST_F(Form2Test, AfterClosingItTheNextClickShowsTheFilesNewContent)
{
    clickBaseDeDatos();
    Form2* form2 = window->databaseWindow();
    QPointer<QWidget> closed = form2->window();
    closed->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closed.isNull()) << "closing destroys the window";
    EXPECT_EQ(form2->window(), nullptr);

    drive.writeFile("refset.db", "nuevo contenido\n");
    clickBaseDeDatos();
    EXPECT_EQ(window->databaseWindow(), form2) << "one object for the whole run";
    ASSERT_NE(form2->window(), nullptr);
    EXPECT_TRUE(form2->window()->isVisible());
    EXPECT_EQ(shownText(), "nuevo contenido\n");
    EXPECT_EQ(databaseWindowsOpen(), 1);
}

TEST_F(Form2Test, MissingDatabaseOpensAnEmptyWindowAndWarnsNamingTheFile)
{
    QFile::remove(drive.vanto("refset.db"));
    const test::SeenBox box = clickBaseDeDatos();
    ASSERT_TRUE(box.seen);
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_TRUE(box.text.contains("VANTO/refset.db")) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains("no existe")) << box.text.toStdString();
    ASSERT_NE(window->databaseWindow()->window(), nullptr);
    EXPECT_TRUE(window->databaseWindow()->window()->isVisible());
    EXPECT_TRUE(shownText().isEmpty());
}

TEST_F(Form2Test, ProgramEndsOnlyWhenBothWindowsAreClosedInEitherOrder)
{
    for (const bool mainFirst : {true, false}) {
        window->show();
        clickBaseDeDatos();
        QPointer<QWidget> database = window->databaseWindow()->window();
        QWidget* firstToClose = mainFirst ? static_cast<QWidget*>(window.get()) : database.data();
        QWidget* secondToClose = mainFirst ? database.data() : static_cast<QWidget*>(window.get());

        QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
        bool runningAfterFirstClose = false;
        QTimer::singleShot(0, [&] {
            firstToClose->close();
            QTimer::singleShot(100, [&] {
                runningAfterFirstClose = true;
                secondToClose->close();
            });
        });
        QTimer::singleShot(10000, qApp, &QCoreApplication::quit);  // bound, should it fail
        QApplication::exec();

        EXPECT_TRUE(runningAfterFirstClose) << "main window closed first: " << mainFirst;
        EXPECT_EQ(lastClosed.count(), 1) << "main window closed first: " << mainFirst;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

}  // namespace
