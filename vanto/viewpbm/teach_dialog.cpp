#include "teach_dialog.hpp"

#include "characters.hpp"
#include "wording.hpp"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vanto {

TeachDialog::TeachDialog(const QString& imageName, const QString& suggestion, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Enseñar un carácter"));

    auto* question = new QLabel(
        tr("¿Qué carácter es la imagen «%1»? Escriba uno solo: una letra, una cifra o un signo, "
           "de cualquier escritura. Se añadirá a las referencias del reconocedor.")
            .arg(imageName),
        this);
    question->setTextFormat(Qt::PlainText); // the file's name as it is, never markup
    question->setWordWrap(true);

    edit_ = new QLineEdit(suggestion, this);
    edit_->setObjectName("caracter");
    edit_->setAccessibleName(tr("Carácter de la imagen"));
    QFont large = edit_->font();
    large.setPointSizeF(large.pointSizeF() * 2);
    edit_->setFont(large);
    edit_->selectAll();
    question->setBuddy(edit_);

    refusal_ = new QLabel(this);
    refusal_->setTextFormat(Qt::PlainText);
    refusal_->setObjectName("rechazo");
    refusal_->setWordWrap(true);
    // Space for two lines from the start, so that the dialog does not jump
    // as a refusal comes and goes.
    refusal_->setMinimumHeight(2 * refusal_->fontMetrics().lineSpacing());
    refusal_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    teachButton_ = buttons->button(QDialogButtonBox::Ok);
    teachButton_->setText(tr("&Enseñar"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addWidget(edit_);
    layout->addWidget(refusal_);
    layout->addWidget(buttons);
    setMinimumWidth(fontMetrics().averageCharWidth() * 50);

    connect(edit_, &QLineEdit::textChanged, this, &TeachDialog::check);
    check();
}

QString TeachDialog::refusal() const
{
    return refusal_->text();
}

void TeachDialog::check()
{
    const std::string given = edit_->text().toStdString();
    const vecplan::LabelCheck checked = vecplan::checkLabel(given);
    character_ = checked.ok() ? QString::fromStdString(checked.label) : QString();
    const QString why = QString::fromStdString(vecplan::describeLabelFault(checked, given));
    refusal_->setText(why);
    edit_->setAccessibleDescription(why);
    teachButton_->setEnabled(checked.ok());
}

} // namespace vanto
