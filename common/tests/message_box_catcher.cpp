#include "message_box_catcher.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

namespace glifora::test {

SeenBox catchMessageBox(const std::function<void()>& action)
{
    SeenBox box;
    // Poll for the box from the event loop that exec() runs.
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!shown)
            return;
        if (!box.seen) {
            box.seen = true;
            box.title = shown->windowTitle();
            box.text = shown->text();
            box.icon = shown->icon();
            for (QAbstractButton* button : shown->buttons())
                box.buttons << button->text();
        }
        shown->done(QMessageBox::Ok);
    });
    poll.start();
    action();
    poll.stop();
    return box;
}

}  // namespace glifora::test
