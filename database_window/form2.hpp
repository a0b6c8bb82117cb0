// Form2, the database window: shows the tool directory's database file as
// text, in a window of its own.
#pragma once

#include <QObject>
#include <QPointer>

#include <string>

#include "text_view.hpp"

namespace glifora {

// One Form2 object lives for the whole run. Its window exists only while it
// is open: closing the window destroys it, and the next show() creates it
// again and loads the file afresh.
class Form2 : public QObject {
    Q_OBJECT

public:
    explicit Form2(std::string driveRoot, QObject* parent = nullptr);
    ~Form2() override;

    // Shows the window, modeless and with no owner, creating and loading it
    // if it is not open. An open window is only brought to the front.
    void show();

    // The open window and its view; null while the window is not open.
    QWidget* window() const { return form; }
    TextView* view() const { return RichTextBox1; }

private:
    void createWindow();
    void Form_Load();

    std::string driveRoot;
    QPointer<QWidget> form;
    QPointer<TextView> RichTextBox1;
};

}  // namespace glifora
