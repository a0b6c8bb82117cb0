#include "form2.hpp"

#include <QMessageBox>
#include <QWidget>

#include "host_path.hpp"
#include "text_file.hpp"
#include "text_view.hpp"
#include "tool_set.hpp"
#include "twips.hpp"

namespace glifora {

using runner::toHostPath;

namespace {
constexpr QSize kClientArea = toPixels(7545, 6045);
constexpr Twips kRichTextBox1{240, 240, 6495, 5655};
}  // namespace

Form2::Form2(std::string driveRoot, QObject* parent)
    : QObject(parent), driveRoot(std::move(driveRoot))
{
}

Form2::~Form2()
{
    delete form;
}

void Form2::show()
{
    if (form) {
        form->setWindowState(form->windowState() & ~Qt::WindowMinimized);
        form->show();
        form->raise();
        form->activateWindow();
        return;
    }
    createWindow();
    form->show();
    Form_Load();
}

void Form2::createWindow()
{
    // No parent: the window has no owner and outlives the main window.
    form = new QWidget(nullptr, Qt::Window);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->setWindowTitle(tr("Base de Datos"));
    form->setFixedSize(kClientArea);

    RichTextBox1 = new TextView(tr("Base de Datos"), QPalette::Base, form);
    RichTextBox1->setGeometry(toPixels(kRichTextBox1));
}

void Form2::Form_Load()
{
    const QString path = QString::fromStdString(toHostPath(runner::kDatabaseFile, driveRoot));
    TextFile database = readTextFile(path);
    if (!database.ok()) {
        QMessageBox::warning(form, tr("Mensaje de Advertencia"),
                             tr("No se puede cargar la base de datos «%1»: %2.")
                                 .arg(path, database.error));
        return;
    }
    showText(RichTextBox1, std::move(database.text));
}

}  // namespace glifora
