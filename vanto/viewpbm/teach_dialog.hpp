// The question Enseñar… asks: which character the image is. It takes
// exactly one character, the way a taught reference may carry it, and says
// in the dialog why what is typed cannot be one, before anything is taught.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vanto {

class TeachDialog : public QDialog {
    Q_OBJECT

public:
    // imageName: the image's file name, as the question shows it;
    // suggestion: the character offered, selected so that typing replaces
    // it (the recognised one, or nothing).
    TeachDialog(const QString& imageName, const QString& suggestion, QWidget* parent = nullptr);

    QLineEdit* characterEdit() const { return edit_; }
    // The character as it would be taught (in its composed form), or an
    // empty string while what is typed is refused.
    QString character() const { return character_; }
    // Why what is typed is refused, as the dialog says it; empty when it
    // can be taught.
    QString refusal() const;

private slots:
    void check();

private:
    QLineEdit* edit_ = nullptr;
    QLabel* refusal_ = nullptr;
    QPushButton* teachButton_ = nullptr;
    QString character_;
};

} // namespace vanto
