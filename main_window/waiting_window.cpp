#include "waiting_window.hpp"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

#include <memory>

#include "ejecuta.hpp"
#include "launch.hpp"

namespace glifora {

namespace {

// How long a tool may run before the waiting window shows: the common,
// quick case looks exactly as it always has.
std::chrono::milliseconds showAfter { 1000 };

bool waiting = false;

// Events by which the user asks for something: clicks, keys, shortcuts,
// the wheel, drops and the close box.
bool isUserRequest(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Enter:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

// Whether a close event aimed at watched is a window being closed by the
// user or by a command, rather than a tooltip or popup closing itself.
bool closesAWindow(const QObject* watched)
{
    Qt::WindowType type = Qt::Widget;
    if (const auto* window = qobject_cast<const QWindow*>(watched))
        type = window->type();
    else if (const auto* widget = qobject_cast<const QWidget*>(watched))
        type = widget->isWindow() ? widget->windowType() : Qt::Widget;
    return type == Qt::Window || type == Qt::Dialog;
}

// For the length of one wait: input reaches the waiting window only, the
// pointer is the busy pointer, and waitingForTool() says so. The windows'
// other events (paint, expose, resize, timers) go on as ever.
class WaitGuard : public QObject {
public:
    WaitGuard()
    {
        waiting = true;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        qApp->installEventFilter(this);
    }
    ~WaitGuard() override
    {
        qApp->removeEventFilter(this);
        QApplication::restoreOverrideCursor();
        waiting = false;
    }

    // Input for window and its controls is let through from now on.
    void admit(QWidget* window)
    {
        admitted = window;
        // The user may now click Cancelar: arrow and hourglass.
        QApplication::changeOverrideCursor(Qt::BusyCursor);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!isUserRequest(event) || isAdmitted(watched))
            return false;
        if (event->type() == QEvent::Close && !closesAWindow(watched))
            return false;
        if (event->type() == QEvent::ShortcutOverride)
            event->accept(); // claimed here, so that no shortcut fires
        else
            event->ignore(); // a close box's close is refused
        return true;
    }

private:
    bool isAdmitted(const QObject* watched) const
    {
        if (!admitted)
            return false;
        if (const auto* widget = qobject_cast<const QWidget*>(watched))
            return widget == admitted || admitted->isAncestorOf(widget);
        return watched == admitted->windowHandle();
    }

    QPointer<QWidget> admitted;
};

QString elapsedText(long long seconds)
{
    const long long hours = seconds / 3600;
    const QString minutesAndSeconds
        = QStringLiteral("%1:%2")
              .arg(seconds / 60 % 60, hours > 0 ? 2 : 1, 10, QLatin1Char('0'))
              .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return hours > 0 ? QStringLiteral("%1:%2").arg(hours).arg(minutesAndSeconds)
                     : minutesAndSeconds;
}

} // namespace

WaitingWindow::WaitingWindow(const QString& program, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Glifora"));
    setWindowModality(Qt::ApplicationModal);

    auto* running = new QLabel(tr("Ejecutando %1…").arg(program), this);
    running->setTextFormat(Qt::PlainText);
    elapsedLabel = new QLabel(this);
    auto* cancel = new QPushButton(tr("Cancelar"), this);
    // Only a deliberate press stops the tool: not an Enter meant for
    // another window as this one appeared.
    cancel->setAutoDefault(false);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(running);
    layout->addWidget(elapsedLabel);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Room for a longer tool path, and not a sliver of a window.
    running->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
    showElapsed(std::chrono::milliseconds(0));
    cancel->setFocus();
}

void WaitingWindow::showElapsed(std::chrono::milliseconds elapsed)
{
    const long long seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
    if (seconds == shownSeconds)
        return;
    shownSeconds = seconds;
    elapsedLabel->setText(tr("Tiempo transcurrido: %1").arg(elapsedText(seconds)));
}

namespace {

// One wait with its WaitingWindow: what the runner or the launched process
// calls while it waits.
class Wait {
public:
    Wait(QWidget* parent, const QString& program)
        : parent(parent)
        , program(program)
    {
    }

    runner::WaitAnswer observe(std::chrono::milliseconds elapsed)
    {
        if (!window && elapsed >= showAfter) {
            window = std::make_unique<WaitingWindow>(program, parent);
            QObject::connect(window.get(), &QDialog::rejected, [this] { cancelled = true; });
            guard.admit(window.get());
            window->show();
        }
        if (window)
            window->showElapsed(elapsed);
        // Until the waiting window shows, input stays queued, to be handled
        // after the tool as it always was; from then on it goes to the
        // waiting window, and the filter keeps it from every other.
        QCoreApplication::processEvents(
            window ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
        return cancelled ? runner::WaitAnswer::Stop : runner::WaitAnswer::Continue;
    }

    runner::WaitObserver observer()
    {
        return [this](std::chrono::milliseconds elapsed) { return observe(elapsed); };
    }

private:
    QWidget* parent;
    QString program;
    bool cancelled = false;
    WaitGuard guard;
    // Destroyed first: hidden before the guard lets input through again.
    std::unique_ptr<WaitingWindow> window;
};

} // namespace

std::optional<std::string> runWhileWaiting(QWidget* parent, const QString& program,
    std::string_view commandLine, std::string_view driveRoot)
{
    Wait wait(parent, program);
    return runner::ejecuta(commandLine, driveRoot, wait.observer());
}

bool waitForLaunched(QWidget* parent, const QString& program, const runner::LaunchedProcess& process)
{
    if (!process.running())
        return true;
    Wait wait(parent, program);
    return process.waitForEnd(wait.observer());
}

bool waitingForTool()
{
    return waiting;
}

std::chrono::milliseconds waitingWindowDelay()
{
    return showAfter;
}

void setWaitingWindowDelay(std::chrono::milliseconds delay)
{
    showAfter = delay;
}

} // namespace glifora
