#include <QApplication>

#include "app_icon.hpp"
#include "form1.hpp"
#include "spanish.hpp"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    glifora::installSpanishTranslation(app);
    glifora::setApplicationIcon(app);

    glifora::Form1 window;
    window.show();
    return app.exec();
}
