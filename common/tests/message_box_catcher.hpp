// Reading the message boxes that a test's action opens, without a test ever
// waiting on one: shared by the window tests of Glifora and the viewer.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>

namespace glifora::test {

struct SeenBox {
    bool seen = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

// Runs action; any modal message box that it opens is read and closed.
// Returns the first box seen, if any.
SeenBox catchMessageBox(const std::function<void()>& action);

}  // namespace glifora::test
