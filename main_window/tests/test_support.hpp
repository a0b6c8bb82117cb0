// Shared by the window tests: a temporary drive root with stand-in tools, a
// file chooser that answers for the user, and a catcher for message boxes.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

#include "file_chooser.hpp"
#include "message_box_catcher.hpp"

namespace glifora::test {

// A drive root in a temporary folder, with <root>/VANTO/.
class DriveRoot {
public:
    DriveRoot();

    std::string root() const { return dir.path().toStdString(); }
    QString vanto(const QString& name) const;

    // Installs the stand-in tool under VANTO/<name>; output, if given, is
    // what it writes to standard output.
    void installTool(const QString& name, const QByteArray* output = nullptr) const;
    void writeFile(const QString& name, const QByteArray& bytes) const;

    // Installs the stand-in tool under VANTO/<name> as a tool that never
    // ends: it writes its pid, which pid() then tells, and waits for ever.
    void installHangingTool(const QString& name) const;
    // Installs the stand-in tool under VANTO/<name> as a tool that writes
    // output, closes its standard output and then, like the hanging tool,
    // writes its pid and waits for ever.
    void installToolThatClosesItsOutput(const QString& name, const QByteArray& output) const;
    // The pid that the hanging tool <name> wrote; 0 before it has.
    qint64 pid(const QString& name) const;

    // Makes the stand-in tool <name> a slow recogniser: each run waits at a
    // gate until openGate(), then writes result to VANTO/resvec.txt.
    void installSlowRecogniser(const QString& name, const QByteArray& result) const;
    // Lets every run waiting at the gate of <name> go on; false when no run
    // is waiting there yet.
    bool openGate(const QString& name) const;

    // The calls the stand-in tool <name> has recorded, each as its arguments.
    std::vector<QStringList> calls(const QString& name) const;
    // Waits (bounded) until the tool has recorded at least count calls.
    bool waitForCalls(const QString& name, std::size_t count) const;

private:
    QTemporaryDir dir;
};

// Answers the file dialog for the user: the path in next, or a cancel. The
// window owns it; the test keeps a plain pointer.
class ScriptedChooser : public FileChooser {
public:
    void setFilter(const QString& filter) override { filters << filter; }
    bool showOpen(QWidget*) override;
    QString fileName() const override { return chosen; }

    QString next;
    bool cancel = false;
    QStringList filters;
    int shown = 0;

private:
    QString chosen;
};

// Every message Qt printed, or would have printed, in this test program, in
// order (the window tests' main keeps them).
QStringList& loggedMessages();

// Writes bytes to a new file at path (creating its folder).
void writeFile(const QString& path, const QByteArray& bytes);

}  // namespace glifora::test

// Readable QString values in GoogleTest's failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
