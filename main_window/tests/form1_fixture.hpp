// The main window with a scripted file dialog and a temporary drive root
// holding a stand-in vector-template tool.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

#include "form1.hpp"
#include "test_support.hpp"
#include "text_view.hpp"

namespace glifora::test {

class Form1Test : public testing::Test {
protected:
    Form1Test()
    {
        drive.installTool(QStringLiteral("VECPLAN.EXE"));
        auto scripted = std::make_unique<ScriptedChooser>();
        chooser = scripted.get();
        window = std::make_unique<Form1>(drive.root(), std::move(scripted));
    }

    template <typename T> T* child(const char* name) const
    {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QPushButton* button(const char* name) const { return child<QPushButton>(name); }
    QAction* action(const char* name) const { return child<QAction>(name); }
    TextView* view(const char* name) const { return child<TextView>(name); }
    QGroupBox* frame(const char* name) const { return child<QGroupBox>(name); }

    void showAndActivate()
    {
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    // A plain PBM in the test's folder; returns its path.
    QString image(const QString& name, const QByteArray& bytes = "P1\n2 2\n1 0\n0 1\n")
    {
        const QString path = files.path() + QLatin1Char('/') + name;
        writeFile(path, bytes);
        return path;
    }

    // Opens path through "&Abrir" with no message box expected.
    void openImage(const QString& path)
    {
        chooser->next = path;
        const SeenBox box = catchMessageBox([&] { action("open")->trigger(); });
        EXPECT_FALSE(box.seen) << box.text.toStdString();
    }

    std::vector<QAction*> analysisItems() const
    {
        return {action("mvisor"), action("mtrazo"), action("mconvex"), action("mvector")};
    }

    DriveRoot drive;
    QTemporaryDir files;
    ScriptedChooser* chooser = nullptr;
    std::unique_ptr<Form1> window;
};

}  // namespace glifora::test
