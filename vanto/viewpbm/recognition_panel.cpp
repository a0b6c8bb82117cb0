#include "recognition_panel.hpp"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace vanto {

namespace {

QToolButton* buttonFor(QAction* action, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

} // namespace

RecognitionPanel::RecognitionPanel(QAction* teach, QAction* undo, QWidget* parent)
    : QWidget(parent)
{
    setObjectName("reconocimiento");
    setAccessibleName(tr("Resultado del reconocimiento"));

    heading_ = new QLabel(this);
    // Plain text throughout: file names and characters such as "<" are shown
    // as they are, never as markup.
    heading_->setTextFormat(Qt::PlainText);
    heading_->setObjectName("titulo");
    heading_->setWordWrap(true);

    characterLabel_ = new QLabel(this);
    characterLabel_->setTextFormat(Qt::PlainText);
    characterLabel_->setObjectName("reconocido");
    QFont large = characterLabel_->font();
    large.setPointSizeF(large.pointSizeF() * 3);
    characterLabel_->setFont(large);
    characterLabel_->setAlignment(Qt::AlignCenter);
    characterLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    candidates_ = new QTreeWidget(this);
    candidates_->setObjectName("candidatos");
    candidates_->setAccessibleName(tr("Caracteres más cercanos, con su distancia"));
    candidates_->setHeaderLabels(
        { tr("N.º"), tr("Carácter"), tr("Distancia"), tr("Referencia más cercana") });
    candidates_->setRootIsDecorated(false);
    candidates_->setSelectionMode(QAbstractItemView::NoSelection);
    candidates_->setFocusPolicy(Qt::TabFocus);
    candidates_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    candidates_->header()->setStretchLastSection(false);
    candidates_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    doubt_ = new QLabel(this);
    doubt_->setTextFormat(Qt::PlainText);
    doubt_->setObjectName("duda");
    doubt_->setWordWrap(true);
    doubt_->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(buttonFor(teach, this));
    buttons->addWidget(buttonFor(undo, this));
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addWidget(characterLabel_);
    layout->addWidget(candidates_);
    layout->addWidget(doubt_);
    layout->addLayout(buttons);
    layout->addStretch();
}

void RecognitionPanel::showRecognition(const vecplan::Recognition& recognition)
{
    const QLocale locale;
    const auto& found = recognition.ranking.candidates;
    character_ = found.empty() ? QString() : QString::fromStdString(found.front().label);
    heading_->setText(found.empty()
            ? tr("No hay ningún carácter con el que comparar: la base de referencias está vacía.")
            : tr("Carácter reconocido:"));
    characterLabel_->setText(character_);
    characterLabel_->setVisible(!found.empty());

    candidates_->clear();
    QStringList spoken;
    for (std::size_t i = 0; i < found.size(); ++i) {
        const QString label = QString::fromStdString(found[i].label);
        const QString distance = locale.toString(found[i].distance, 'f', 2);
        auto* item = new QTreeWidgetItem(candidates_,
            { QString::number(i + 1), label, distance, QString::fromStdString(found[i].origin) });
        item->setTextAlignment(0, Qt::AlignRight);
        item->setTextAlignment(2, Qt::AlignRight);
        spoken << tr("%1 (distancia %2)").arg(label, distance);
    }
    candidates_->setVisible(!found.empty());
    fitCandidates();

    // Far from every reference: the best candidate is only a guess.
    const QString doubt = recognition.ranking.doubtful
        ? tr("Dudoso: la imagen queda lejos de todas las referencias (a %1 veces la distancia "
             "habitual entre referencias de un mismo carácter); puede no ser ningún carácter "
             "conocido.")
              .arg(locale.toString(recognition.ranking.farness(), 'f', 1))
        : QString();
    doubt_->setText(doubt);
    doubt_->setVisible(!doubt.isEmpty());

    summary_ = found.empty() ? heading_->text()
                             : tr("Carácter reconocido: %1. Los más cercanos: %2.")
                                   .arg(character_, spoken.join(QStringLiteral("; ")));
    if (!doubt.isEmpty())
        summary_ += QLatin1Char(' ') + doubt;
    announce();
}

void RecognitionPanel::showFault(const QString& reason)
{
    character_.clear();
    heading_->setText(tr("Sin resultado: %1").arg(reason));
    characterLabel_->clear();
    characterLabel_->hide();
    candidates_->clear();
    candidates_->hide();
    doubt_->clear();
    doubt_->hide();
    summary_ = heading_->text();
    announce();
}

// The whole table in sight: every column as wide as its text, every row
// without scrolling. The panel, and with it the dock, widens to hold it.
void RecognitionPanel::fitCandidates()
{
    const QAbstractItemView* view = candidates_;
    QHeaderView* header = candidates_->header();
    int width = 2 * candidates_->frameWidth();
    for (int column = 0; column < candidates_->columnCount(); ++column)
        width += std::max(header->sectionSizeHint(column), view->sizeHintForColumn(column));
    int height = 2 * candidates_->frameWidth() + header->sizeHint().height();
    for (int row = 0; row < candidates_->topLevelItemCount(); ++row)
        height += view->sizeHintForRow(row);
    candidates_->setMinimumWidth(width);
    candidates_->setFixedHeight(height);
}

// Setting the description tells a screen reader that it changed.
void RecognitionPanel::announce()
{
    setAccessibleDescription(summary_);
}

} // namespace vanto
