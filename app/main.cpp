#include "app/RunOnce.h"
#include "config/ConfigDir.h"
#include "ui/MainWindow.h"

#include <QApplication>

int main(int argc, char **argv)
{
    // The marker is taken before any window and released after the last one.
    RunOnceMarker marker;
    QApplication app(argc, argv);
    StartOptions opts;
    opts.configDir = ConfigDirFor(QCoreApplication::applicationDirPath());
    int rc = 0;
    {
        TFrm_Main w(opts);
        w.show();
        rc = app.exec();
    }
    return rc;
}
