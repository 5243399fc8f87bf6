// pxicon: renders the program's SVG icon into the PNG sizes of the icon
// theme at build time, so the PNGs always match the SVG.
//
//   pxicon SOURCE.svg SIZE OUTPUT.png

#include <QCoreApplication>
#include <QImage>
#include <QImageReader>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool ok = false;
    const int size = args.size() == 4 ? args.at(2).toInt(&ok) : 0;
    if (!ok || size < 1) {
        std::fputs("Usage: pxicon SOURCE.svg SIZE OUTPUT.png\n", stderr);
        return 2;
    }
    QImageReader reader(args.at(1));
    reader.setScaledSize(QSize(size, size));
    const QImage image = reader.read();
    if (image.isNull()) {
        std::fprintf(stderr, "pxicon: cannot read %s: %s\n", qPrintable(args.at(1)), qPrintable(reader.errorString()));
        return 1;
    }
    if (!image.convertToFormat(QImage::Format_ARGB32).save(args.at(3), "PNG")) {
        std::fprintf(stderr, "pxicon: cannot write %s\n", qPrintable(args.at(3)));
        return 1;
    }
    return 0;
}
