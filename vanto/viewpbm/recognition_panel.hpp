// What Reconocer found, as the viewer shows it: the recognised character,
// its nearest characters with their distances, any doubt about it, and the
// buttons that teach and take back what was taught. The whole result is
// also one accessible text, and a screen reader is told when it changes.
#pragma once

#include "recognition.hpp"

#include <QString>
#include <QWidget>

class QAction;
class QLabel;
class QTreeWidget;

namespace vanto {

class RecognitionPanel : public QWidget {
    Q_OBJECT

public:
    // teach and undo: the window's actions, offered as buttons here.
    RecognitionPanel(QAction* teach, QAction* undo, QWidget* parent = nullptr);

    // Shows a recognition that worked.
    void showRecognition(const vecplan::Recognition& recognition);
    // Shows why there is no result.
    void showFault(const QString& reason);

    // The result in one or two sentences: what the panel's accessible
    // description holds, and what the window says of it.
    QString summary() const { return summary_; }
    // The recognised character, or an empty string when there is none.
    QString character() const { return character_; }

private:
    void fitCandidates();
    void announce();

    QLabel* heading_ = nullptr;
    QLabel* characterLabel_ = nullptr;
    QTreeWidget* candidates_ = nullptr;
    QLabel* doubt_ = nullptr;
    QString summary_;
    QString character_;
};

} // namespace vanto
