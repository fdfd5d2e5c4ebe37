#pragma once
// The program's own pictures, drawn in code: work-mode diagrams (458 x 74)
// and the 16 x 16 tool images.
#include <QIcon>
#include <QPixmap>

QPixmap WorkModePicture(const QString &name); // "NetTran", "HttpD", "SmsTran"
QIcon ToolImage(int index);
