#include "form1.hpp"

#include <QAction>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>

#include <array>
#include <optional>

#include "command_button.hpp"
#include "command_line.hpp"
#include "file_chooser.hpp"
#include "form2.hpp"
#include "host_path.hpp"
#include "launch.hpp"
#include "text_file.hpp"
#include "text_view.hpp"
#include "tool_set.hpp"
#include "twips.hpp"
#include "waiting_window.hpp"

namespace glifora {

using runner::buildCommandLine;
using runner::builtInDriveRoot;
using runner::launchDetached;
using runner::LaunchResult;
using runner::toHostPath;

namespace {

// Client area of the window and the place of every control, in twips. A
// control inside a frame is placed from the frame's outer corner.
constexpr QSize kClientArea = toPixels(11880, 8310);
constexpr Twips kCommand1{5040, 1320, 1455, 615};
constexpr Twips kCommand2{5040, 2400, 1455, 615};
constexpr Twips kCommand3{5040, 3480, 1455, 615};
constexpr Twips kCommand4{5040, 4560, 1455, 615};
constexpr Twips kCommand5{5040, 5640, 1455, 615};
constexpr Twips kFrame1{120, 240, 4695, 7575};
constexpr Twips kFrame2{6720, 240, 4935, 7575};
constexpr Twips kRichTextBox1{120, 240, 4455, 7215};
constexpr Twips kRichTextBox2{120, 240, 4695, 7215};

// The menu shortcuts, which win over the same keys of the text views.
const std::array<QKeySequence, 6> kMenuKeys{
    QKeySequence(Qt::CTRL | Qt::Key_A), QKeySequence(Qt::CTRL | Qt::Key_S),
    QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::CTRL | Qt::Key_C),
    QKeySequence(Qt::CTRL | Qt::Key_D), QKeySequence(Qt::CTRL | Qt::Key_P),
};

bool isMenuKey(const QKeyEvent* event)
{
    const QKeySequence pressed(event->keyCombination());
    for (const QKeySequence& key : kMenuKeys) {
        if (pressed == key)
            return true;
    }
    return false;
}

// "&" marks an access key in a caption; a path shows it as it is.
QString withoutAccessKeys(QString text)
{
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

}  // namespace

Form1::Form1() : Form1(std::string(builtInDriveRoot()), std::make_unique<DialogFileChooser>()) {}

Form1::Form1(std::string driveRoot, std::unique_ptr<FileChooser> com1, QWidget* parent)
    : QMainWindow(parent), com1(std::move(com1)), driveRoot(std::move(driveRoot))
{
    setWindowTitle(QStringLiteral("Glifora"));
    createControls();
    createMenus();
    Form_Load();
}

Form1::~Form1() = default;

void Form1::createControls()
{
    auto* client = new QWidget(this);
    client->setFixedSize(kClientArea);
    setCentralWidget(client);

    auto place = [](QWidget* widget, const Twips& where) { widget->setGeometry(toPixels(where)); };

    Command1 = new CommandButton(tr("Visualizar"), client);
    Command1->setToolTip(tr("Visualiza la imagen"));
    Command2 = new CommandButton(tr("Contorno del Caracter"), client);
    Command3 = new CommandButton(tr("Deficiencias Convexas"), client);
    Command4 = new CommandButton(tr("Plantillas del Vector"), client);
    Command5 = new CommandButton(tr("Base de Datos"), client);
    place(Command1, kCommand1);
    place(Command2, kCommand2);
    place(Command3, kCommand3);
    place(Command4, kCommand4);
    place(Command5, kCommand5);

    Frame1 = new QGroupBox(tr("Imagenes"), client);
    Frame2 = new QGroupBox(tr("Metodo"), client);
    place(Frame1, kFrame1);
    place(Frame2, kFrame2);

    RichTextBox1 = new TextView(tr("Imagen"), QPalette::Button, Frame1);
    RichTextBox2 = new TextView(tr("Resultado"), QPalette::Button, Frame2);
    place(RichTextBox1, kRichTextBox1);
    place(RichTextBox2, kRichTextBox2);
    RichTextBox1->installEventFilter(this);
    RichTextBox2->installEventFilter(this);

    // The controls keep their names, for tests and accessibility tools.
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2->setObjectName(QStringLiteral("Command2"));
    Command3->setObjectName(QStringLiteral("Command3"));
    Command4->setObjectName(QStringLiteral("Command4"));
    Command5->setObjectName(QStringLiteral("Command5"));
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame2->setObjectName(QStringLiteral("Frame2"));
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox2->setObjectName(QStringLiteral("RichTextBox2"));

    // Buttons top to bottom, then the frames (which take no focus), then the
    // views.
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);
    setTabOrder(Command3, Command4);
    setTabOrder(Command4, Command5);
    setTabOrder(Command5, RichTextBox1);
    setTabOrder(RichTextBox1, RichTextBox2);
    Command1->setFocus();

    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
}

void Form1::createMenus()
{
    Arch = menuBar()->addMenu(tr("&Archivo"));
    open = Arch->addAction(tr("&Abrir"), QKeySequence(Qt::CTRL | Qt::Key_A), this,
                           &Form1::open_Click);
    linea1 = Arch->addSeparator();
    sal = Arch->addAction(tr("&Salir"), QKeySequence(Qt::CTRL | Qt::Key_S), this,
                          &Form1::sal_Click);

    metodo = menuBar()->addMenu(tr("&Metodos"));
    mvisor = metodo->addAction(tr("&Visualizar"), QKeySequence(Qt::CTRL | Qt::Key_V), this,
                               &Form1::Command1_Click);
    linea2 = metodo->addSeparator();
    mtrazo = metodo->addAction(tr("&Contorno del caracter"), QKeySequence(Qt::CTRL | Qt::Key_C),
                               this, &Form1::Command2_Click);
    mconvex = metodo->addAction(tr("&Deficiencias Convexas"), QKeySequence(Qt::CTRL | Qt::Key_D),
                                this, &Form1::Command3_Click);
    mvector = metodo->addAction(tr("&Plantillas del Vector"), QKeySequence(Qt::CTRL | Qt::Key_P),
                                this, &Form1::Command4_Click);
    Arch->setObjectName(QStringLiteral("Arch"));
    open->setObjectName(QStringLiteral("open"));
    linea1->setObjectName(QStringLiteral("linea1"));
    sal->setObjectName(QStringLiteral("sal"));
    metodo->setObjectName(QStringLiteral("metodo"));
    mvisor->setObjectName(QStringLiteral("mvisor"));
    linea2->setObjectName(QStringLiteral("linea2"));
    mtrazo->setObjectName(QStringLiteral("mtrazo"));
    mconvex->setObjectName(QStringLiteral("mconvex"));
    mvector->setObjectName(QStringLiteral("mvector"));
}

void Form1::Form_Load()
{
    num = 0;
    mvisor->setEnabled(false);
    mconvex->setEnabled(false);
    mtrazo->setEnabled(false);
    mvector->setEnabled(false);
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    // The text views claim Ctrl+A, Ctrl+C and Ctrl+V for themselves. Let the
    // menu have them instead, and swallow them while their item is disabled.
    const bool isView = watched == RichTextBox1 || watched == RichTextBox2;
    if (isView && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        if (isMenuKey(static_cast<QKeyEvent*>(event))) {
            event->ignore();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form1::open_Click()
{
    // No command starts while a captured tool runs: input is held back
    // then, and this covers a command reached without input.
    if (waitingForTool())
        return;
    com1->setFilter(QStringLiteral("texto|*.pbm"));
    if (!com1->showOpen(this))
        return;  // cancelled: nothing changes

    const QString chosen = com1->fileName();
    // Read the image before touching anything, so that a file that cannot
    // be shown leaves the window as it was.
    TextFile image = readTextFile(chosen);
    if (!image.ok()) {
        warn(tr("No se puede abrir la imagen «%1»: %2.").arg(chosen, image.error));
        return;
    }

    fich = chosen;
    num = 1;
    Frame1->setTitle(tr("Imagen %1").arg(withoutAccessKeys(fich)));
    showText(RichTextBox1, std::move(image.text));
    RichTextBox2->setPlainText(QStringLiteral(" "));

    LaunchResult vector = launchDetached(buildCommandLine(runner::kVectorPrefix, fich.toStdString()),
        runner::WindowStyle::Minimized, driveRoot);
    // The run of an image opened before is forgotten, not waited for.
    vectorRun = std::move(vector.process);

    mvisor->setEnabled(true);
    mconvex->setEnabled(true);
    mtrazo->setEnabled(true);
    mvector->setEnabled(true);

    if (!vector.ok()) {
        warn(tr("No se puede iniciar la herramienta de plantillas del vector «%1»: %2 (error %3).")
                 .arg(toolFile(runner::kVectorPrefix), QString::fromStdString(vector.reason))
                 .arg(vector.error));
    }
}

void Form1::sal_Click()
{
    if (waitingForTool())
        return;
    close();
}

bool Form1::requireImage()
{
    if (num != 0)
        return true;
    QMessageBox::warning(this, tr("Mensaje de Advertencia"),
                         tr("ADVERTENCIA: Debe abrir antes el fichero"));
    return false;
}

void Form1::warn(const QString& text)
{
    QMessageBox::warning(this, tr("Mensaje de Advertencia"), text);
}

void Form1::Command1_Click()
{
    if (waitingForTool())
        return;
    if (!requireImage())
        return;
    const LaunchResult viewer =
        launchDetached(buildCommandLine(runner::kViewerPrefix, fich.toStdString()),
                       runner::WindowStyle::Maximized, driveRoot);
    if (!viewer.ok()) {
        warn(tr("No se puede iniciar el visor «%1»: %2 (error %3).")
                 .arg(toolFile(runner::kViewerPrefix), QString::fromStdString(viewer.reason))
                 .arg(viewer.error));
    }
}

// The file a tool's prefix runs on this machine: what the user can look for.
QString Form1::toolFile(std::string_view prefix) const
{
    return QString::fromStdString(toHostPath(prefix, driveRoot)).trimmed();
}

void Form1::runCapturedTool(std::string_view prefix)
{
    const std::optional<std::string> output = runWhileWaiting(
        this, toolFile(prefix), buildCommandLine(prefix, fich.toStdString()), driveRoot);
    if (!output)
        return;  // stopped by the user: the view stays as it was
    showText(RichTextBox2, QString::fromStdString(*output));
}

void Form1::Command2_Click()
{
    if (waitingForTool())
        return;
    if (requireImage())
        runCapturedTool(runner::kContourPrefix);
}

void Form1::Command3_Click()
{
    if (waitingForTool())
        return;
    if (requireImage())
        runCapturedTool(runner::kConvexPrefix);
}

void Form1::Command4_Click()
{
    if (waitingForTool())
        return;
    if (!requireImage())
        return;
    // The run started when the image was opened writes the result: until it
    // has ended, the file holds another image's result, or none at all.
    if (!waitForLaunched(this, toolFile(runner::kVectorPrefix), vectorRun))
        return; // the user stopped waiting: the view stays as it was
    const QString path = QString::fromStdString(toHostPath(runner::kVectorResultFile, driveRoot));
    TextFile result = readTextFile(path);
    if (!result.ok()) {
        warn(tr("No se puede leer el resultado de las plantillas del vector «%1»: %2.")
                 .arg(path, result.error));
        return;
    }
    showText(RichTextBox2, std::move(result.text));
}

void Form1::Command5_Click()
{
    if (waitingForTool())
        return;
    if (!form2)
        form2 = std::make_unique<Form2>(driveRoot);
    form2->show();
}

}  // namespace glifora
