// The file dialog of the main window: set a filter, show an Open dialog, read
// the chosen file name. An interface, so that tests can stand in for the
// user.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace glifora {

class FileChooser {
public:
    virtual ~FileChooser() = default;

    // filter: pairs of description and pattern, separated by "|", as in
    // "texto|*.pbm".
    virtual void setFilter(const QString& filter) = 0;

    // Shows a modal Open dialog over parent. Returns false when the user
    // cancelled it.
    virtual bool showOpen(QWidget* parent) = 0;

    // The full path of the file chosen by the last showOpen().
    virtual QString fileName() const = 0;
};

// The system's own file dialog.
class DialogFileChooser : public FileChooser {
public:
    void setFilter(const QString& filter) override;
    bool showOpen(QWidget* parent) override;
    QString fileName() const override { return chosen; }

    // The filter in Qt's notation: "texto|*.pbm" becomes "texto (*.pbm)".
    static QStringList qtNameFilters(const QString& filter);

private:
    QStringList nameFilters;
    QString chosen;
};

}  // namespace glifora
