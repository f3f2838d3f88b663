// Writes the window's icon as PNG files for the desktop's icon theme: icon-export SIZE FILE...
#include <QtCore/QStringList>
#include <QtGui/QGuiApplication>
#include <cstdio>

#include "AppIcon.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2) {
        std::fputs("usage: tavrel-icon-export SIZE FILE\n", stderr);
        return 2;
    }
    bool ok = false;
    const int size = args[0].toInt(&ok);
    if (!ok || size < 16 || size > 1024) {
        std::fputs("tavrel-icon-export: SIZE is 16..1024\n", stderr);
        return 2;
    }
    if (!tavrel::appIconPixmap(size).save(args[1], "PNG")) {
        std::fprintf(stderr, "tavrel-icon-export: cannot write %s\n", qPrintable(args[1]));
        return 1;
    }
    return 0;
}
