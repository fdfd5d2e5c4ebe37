#include "app/RunOnce.h"
#include "app/Version.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char **argv)
{
    RunOnceMarker marker;
    QApplication app(argc, argv);
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("dtu-config V%1").arg(GetAppVersion()));
    w.setCentralWidget(new QLabel(QStringLiteral("dtu-config")));
    w.resize(1160, 783);
    w.show();
    return app.exec();
}
