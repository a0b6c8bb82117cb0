// A command button whose caption wraps onto a second line when it does not
// fit, as a classic command button's does, instead of being clipped.
#pragma once

#include <QPushButton>

namespace glifora {

class CommandButton : public QPushButton {
    Q_OBJECT

public:
    explicit CommandButton(const QString& caption, QWidget* parent = nullptr);

    // Whether the caption, at the button's current width, needs more than one
    // line.
    bool captionWraps() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect captionRect() const;
};

}  // namespace glifora
