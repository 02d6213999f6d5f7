// quillon-icons FOLDER: draws the program icon into FOLDER/<n>x<n>/apps/quillon.png for each size
// of the desktop's hicolor icon theme, so the installed icons are the picture the program shows.
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "app/Artwork.h"

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quillon-icons FOLDER\n");
        return 2;
    }
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QString folder =
            QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (!QDir().mkpath(folder) ||
            !ProgramIconPixmap(size).save(folder + QStringLiteral("/quillon.png"))) {
            std::fprintf(stderr, "quillon-icons: cannot write the %d pixel icon\n", size);
            return 1;
        }
    }
    return 0;
}
