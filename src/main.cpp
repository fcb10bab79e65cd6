#include "shell/frmMain.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("LV Monitor"));
    QApplication::setOrganizationName(QStringLiteral("LVMonitor"));
    frmMain main;
    main.show();
    return app.exec();
}
