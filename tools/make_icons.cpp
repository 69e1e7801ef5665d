// Writes the program's icon as PNG files for the desktop's icon theme:
//   krelin_make_icons OUT_DIR SIZE...   ->   OUT_DIR/<SIZE>x<SIZE>/apps/krelin.png
#include "widgets/AppIcon.h"

#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: krelin_make_icons OUT_DIR SIZE...\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 1 || size > 1024) {
            std::fprintf(stderr, "krelin_make_icons: \"%s\" is not an icon size\n", argv[i]);
            return 2;
        }
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString path = out.filePath(folder + QStringLiteral("/krelin.png"));
        if (!out.mkpath(folder) || !krelin::AppIconImage(size).save(path, "PNG")) {
            std::fprintf(stderr, "krelin_make_icons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
