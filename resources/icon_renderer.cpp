// Build tool: draws the program's icon (an SVG file) as square PNG files for the desktop's icon
// theme. Usage: morvane-icon-renderer ICON.svg OUTPUT-FOLDER NAME SIZE...; writes
// OUTPUT-FOLDER/<size>x<size>/apps/NAME.png for each size.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s ICON.svg OUTPUT-FOLDER NAME SIZE...\n", argv[0]);
        return 2;
    }
    QGuiApplication application(argc, argv);
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 1;
    }
    const QString folder = QString::fromLocal8Bit(argv[2]);
    const QString name = QString::fromLocal8Bit(argv[3]);
    for (int i = 4; i < argc; ++i) {
        const int size = QString::fromLocal8Bit(argv[i]).toInt();
        if (size <= 0) {
            std::fprintf(stderr, "%s: bad size %s\n", argv[0], argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            renderer.render(&painter);
        }
        const QString sizeName = QString::number(size) + QLatin1Char('x') + QString::number(size);
        const QString apps = folder + QLatin1Char('/') + sizeName + QStringLiteral("/apps");
        if (!QDir().mkpath(apps) || !image.save(apps + QLatin1Char('/') + name + QStringLiteral(".png"))) {
            std::fprintf(stderr, "%s: cannot write the %s icon\n", argv[0], qPrintable(sizeName));
            return 1;
        }
    }
    return 0;
}
