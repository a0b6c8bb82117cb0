// Form1, the main window: the opened image on the left, the result of the
// last analysis on the right, five command buttons between them, and the
// "Archivo" and "Metodos" menus.
#pragma once

#include <QMainWindow>
#include <QString>

#include <memory>
#include <string>
#include <string_view>

#include "launch.hpp"

class QAction;
class QGroupBox;
class QMenu;
class QPushButton;

namespace glifora {

class FileChooser;
class Form2;
class TextView;

class Form1 : public QMainWindow {
    Q_OBJECT

public:
    // The program's window: tools under the built-in drive root, the
    // system's file dialog.
    Form1();
    // For tests: another drive root and another file chooser.
    Form1(std::string driveRoot, std::unique_ptr<FileChooser> com1, QWidget* parent = nullptr);
    ~Form1() override;

    const QString& imagePath() const { return fich; }
    bool imageOpened() const { return num != 0; }
    // The database window, once "Base de Datos" has created it.
    Form2* databaseWindow() const { return form2.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    // Menu "Archivo"
    void open_Click();
    void sal_Click();
    // The five buttons; the "Metodos" items call the first four.
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();

private:
    void createControls();
    void createMenus();
    void Form_Load();

    bool requireImage();
    QString toolFile(std::string_view prefix) const;
    void runCapturedTool(std::string_view prefix);
    void warn(const QString& text);

    // Controls, named as the program has always named them.
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command5 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    TextView* RichTextBox1 = nullptr;
    TextView* RichTextBox2 = nullptr;
    std::unique_ptr<FileChooser> com1;

    QMenu* Arch = nullptr;
    QAction* open = nullptr;
    QAction* linea1 = nullptr;
    QAction* sal = nullptr;
    QMenu* metodo = nullptr;
    QAction* mvisor = nullptr;
    QAction* linea2 = nullptr;
    QAction* mtrazo = nullptr;
    QAction* mconvex = nullptr;
    QAction* mvector = nullptr;

    // The opened image: its path as the dialog reported it, and whether one
    // has been opened at all (0 or 1).
    QString fich;
    qint16 num = 0;

    // The recognition run started by the last opening, kept only to know
    // whether its result is written yet.
    runner::LaunchedProcess vectorRun;

    std::string driveRoot;
    std::unique_ptr<Form2> form2;
};

}  // namespace glifora
