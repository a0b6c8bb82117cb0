#include "file_chooser.hpp"

#include <QFileDialog>
#include <QStringList>

#include "spanish.hpp"

namespace glifora {

QStringList DialogFileChooser::qtNameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << QStringLiteral("%1 (%2)").arg(parts[i], parts[i + 1]);
    return filters;
}

void DialogFileChooser::setFilter(const QString& filter)
{
    nameFilters = qtNameFilters(filter);
}

bool DialogFileChooser::showOpen(QWidget* parent)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(nameFilters);
    useSpanishFileDetails(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    chosen = dialog.selectedFiles().constFirst();
    return true;
}

}  // namespace glifora
