// Draws the window's logo (a baseline JPEG of 148 x 45, written with libjpeg)
// and the program icon (PNG, and an .ico for the Windows program's resource).
// Run once: travik-artwork RESOURCES_FOLDER.
// The build runs it with --icons for the icon theme's sizes.
// clang-format off
#include <cstddef>  // jpeglib.h needs size_t and FILE
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstddef>
#include <iterator>
#include <vector>

namespace {

const QColor kBlue(0x1f, 0x4e, 0x9c);
const QColor kLightBlue(0x5b, 0x9b, 0xd5);

// A sine wave from x0 to x1 around the middle line y.
QPainterPath wave(double x0, double x1, double y, double amplitude, double period) {
    QPainterPath path;
    path.moveTo(x0, y);
    for (double x = x0; x <= x1; x += 0.5)
        path.lineTo(x, y - amplitude * std::sin((x - x0) * 2 * M_PI / period));
    return path;
}

void drawMark(QPainter& painter, const QRectF& box) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBlue);
    painter.drawRoundedRect(box, box.width() * 0.18, box.width() * 0.18);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, box.width() * 0.09, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(wave(box.left() + box.width() * 0.15, box.right() - box.width() * 0.15,
                          box.center().y(), box.height() * 0.2, box.width() * 0.35));
}

QImage drawLogo() {
    QImage image(148, 45, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    drawMark(painter, QRectF(3, 3, 39, 39));
    const double widths[] = {3.0, 2.2, 1.5};
    const QColor colours[] = {kBlue, kLightBlue, kLightBlue};
    for (int i = 0; i < 3; ++i) {
        painter.setPen(QPen(colours[i], widths[i], Qt::SolidLine, Qt::RoundCap));
        painter.drawPath(wave(50, 144, 13 + i * 10, 5.0 - i, 32 + i * 6));
    }
    return image;
}

// The mark drawn for `size` pixels (as at 64 with a 2-pixel margin), so each
// size is drawn sharp rather than scaled from another.
QImage drawIcon(int size = 64) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double margin = size * 2.0 / 64.0;
    drawMark(painter, QRectF(margin, margin, size - 2 * margin, size - 2 * margin));
    return image;
}

void appendLittleEndian(QByteArray& bytes, unsigned value, int count) {
    for (int i = 0; i < count; ++i) bytes.append(static_cast<char>((value >> (8 * i)) & 0xffu));
}

// An icon file whose pictures are PNGs, one for each size, drawn at that size.
bool writeIco(const char* path) {
    const int sizes[] = {16, 24, 32, 48, 64, 256};
    const int count = static_cast<int>(std::size(sizes));
    std::vector<QByteArray> pictures;
    for (const int size : sizes) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!drawIcon(size).save(&buffer, "PNG")) return false;
        pictures.push_back(png);
    }
    QByteArray ico;
    appendLittleEndian(ico, 0, 2);  // reserved
    appendLittleEndian(ico, 1, 2);  // an icon
    appendLittleEndian(ico, static_cast<unsigned>(count), 2);
    unsigned offset = 6 + 16 * static_cast<unsigned>(count);
    for (int i = 0; i < count; ++i) {
        const auto side = static_cast<unsigned>(sizes[i] % 256);  // 0 stands for 256
        appendLittleEndian(ico, side, 1);
        appendLittleEndian(ico, side, 1);
        appendLittleEndian(ico, 0, 2);   // no palette, reserved
        appendLittleEndian(ico, 1, 2);   // planes
        appendLittleEndian(ico, 32, 2);  // bits per pixel
        const auto length = static_cast<unsigned>(pictures[static_cast<std::size_t>(i)].size());
        appendLittleEndian(ico, length, 4);
        appendLittleEndian(ico, offset, 4);
        offset += length;
    }
    for (const QByteArray& png : pictures) ico.append(png);
    QFile file(QString::fromLocal8Bit(path));
    return file.open(QIODevice::WriteOnly) && file.write(ico) == ico.size();
}

// Writes the icon in the icon theme's layout: FOLDER/NxN/apps/NAME.png.
int writeThemeIcons(const QString& folder, const QString& name) {
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = folder + QStringLiteral("/%1x%1/apps").arg(size);
        if (!QDir().mkpath(dir) || !drawIcon(size).save(dir + "/" + name + ".png", "PNG")) {
            std::fprintf(stderr, "travik-artwork: cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}

bool writeBaselineJpeg(const QImage& image, const char* path) {
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(image.width());
    info.image_height = static_cast<JDIMENSION>(image.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);  // sequential, Huffman: baseline
    jpeg_set_quality(&info, 92, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            const_cast<uchar*>(image.constScanLine(static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--icons")
        return writeThemeIcons(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (argc != 2) {
        std::fprintf(stderr,
                     "usage: travik-artwork RESOURCES_FOLDER\n"
                     "       travik-artwork --icons THEME_FOLDER ICON_NAME\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const bool logo = writeBaselineJpeg(drawLogo(), qPrintable(folder + "/logo.jpg"));
    const bool icon = drawIcon().save(folder + "/TravikPReadout.png", "PNG");
    const bool ico = writeIco(qPrintable(folder + "/TravikPReadout.ico"));
    return logo && icon && ico ? 0 : 1;
}
