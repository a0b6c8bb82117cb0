// Waiting for a captured tool without freezing the program. The call keeps
// the runner's contract: it returns only once the tool has ended, and no
// other command runs meanwhile. But the windows keep painting, the pointer
// is the busy pointer, and a tool that takes long can be stopped.
#pragma once

#include <QDialog>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

class QLabel;

namespace glifora {

namespace runner {
class LaunchedProcess;
}

// The small modal window shown while a tool takes long: which tool runs,
// for how long, and one button, "Cancelar". Esc presses it, and so does the
// window's own close box.
class WaitingWindow : public QDialog {
    Q_OBJECT

public:
    // program: the file that runs, as this machine names it.
    WaitingWindow(const QString& program, QWidget* parent);

    void showElapsed(std::chrono::milliseconds elapsed);

private:
    QLabel* elapsedLabel = nullptr;
    long long shownSeconds = -1;
};

// Runs commandLine with ejecuta and waits for it. After waitingWindowDelay()
// without an end, a WaitingWindow over parent offers to stop the tool; it
// goes away by itself when the tool ends. Returns the tool's output, or
// nothing when the user stopped the tool.
std::optional<std::string> runWhileWaiting(QWidget* parent, const QString& program,
    std::string_view commandLine, std::string_view driveRoot);

// Waits for a launched process to end, the same way: after the same delay
// the WaitingWindow shows, and "Cancelar" stops the waiting, not the process.
// Returns whether the process has ended.
bool waitForLaunched(
    QWidget* parent, const QString& program, const runner::LaunchedProcess& process);

// Whether a tool is being waited for. Input is kept from the windows then,
// but a command can also be reached without input (an accessibility tool
// presses a button directly): commands ask this first.
bool waitingForTool();

// How long a tool runs before the WaitingWindow shows: one second, so that
// a quick tool looks as it always has. A test that needs a tool to count as
// quick, however loaded the machine, sets it longer.
std::chrono::milliseconds waitingWindowDelay();
void setWaitingWindowDelay(std::chrono::milliseconds delay);

} // namespace glifora
