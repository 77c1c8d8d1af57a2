// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Build tool: turns the icon's XPM images into the files a desktop needs.
//   iconkit png OUT.png IN.xpm              the image as PNG
//   iconkit svg OUT.svg IN.xpm              the image as scalable SVG, one square a pixel
//   iconkit ico OUT.ico IN.xpm [IN.xpm ...] a Windows icon of all images, each at the
//                                           smallest colour depth that holds its colours

#include <QFile>
#include <QImage>
#include <QList>
#include <QTextStream>
#include <cstdint>
#include <cstdio>

namespace {

QImage load(const QString& path) {
    QImage image(path);
    if (image.isNull()) {
        std::fprintf(stderr, "iconkit: cannot read %s\n", qPrintable(path));
        std::exit(1);
    }
    return image.convertToFormat(QImage::Format_ARGB32);
}

bool writeSvg(const QImage& image, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    QTextStream out(&file);
    out << R"(<?xml version="1.0" encoding="UTF-8"?>)" << '\n'
        << R"(<svg xmlns="http://www.w3.org/2000/svg" width=")" << image.width() << R"(" height=")"
        << image.height() << R"(" viewBox="0 0 )" << image.width() << ' ' << image.height()
        << R"(" shape-rendering="crispEdges">)" << '\n';
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width();) {
            const QRgb colour = image.pixel(x, y);
            int run = 1;
            while (x + run < image.width() && image.pixel(x + run, y) == colour) {
                ++run;
            }
            if (qAlpha(colour) != 0) {
                out << R"(<rect x=")" << x << R"(" y=")" << y << R"(" width=")" << run
                    << R"(" height="1" fill=")" << QColor(colour).name() << R"("/>)" << '\n';
            }
            x += run;
        }
    }
    out << "</svg>\n";
    return out.status() == QTextStream::Ok;
}

// Little-endian, as every number in an icon file.
template <typename T> void put(QByteArray& bytes, T value) {
    const auto bits = static_cast<std::uint64_t>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        bytes.append(static_cast<char>((bits >> (8 * i)) & 0xFFU));
    }
}

// One icon image: a bottom-up palette bitmap followed by its transparency mask.
QByteArray iconImage(const QImage& image, int& bits, int& colours) {
    QList<QRgb> palette{qRgb(0, 0, 0)}; // index 0 under the mask leaves the screen as it is
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb colour = image.pixel(x, y) | 0xFF000000U;
            if (qAlpha(image.pixel(x, y)) != 0 && !palette.contains(colour)) {
                palette << colour;
            }
        }
    }
    bits = palette.size() <= 2 ? 1 : palette.size() <= 16 ? 4 : 8;
    colours = 1 << bits;
    const int width = image.width();
    const int height = image.height();
    const int rowBytes = ((width * bits + 31) / 32) * 4;
    const int maskBytes = ((width + 31) / 32) * 4;

    QByteArray bytes;
    put<quint32>(bytes, 40);
    put<qint32>(bytes, width);
    put<qint32>(bytes, height * 2);
    put<quint16>(bytes, 1);
    put<quint16>(bytes, static_cast<quint16>(bits));
    put<quint32>(bytes, 0);
    put<quint32>(bytes, static_cast<quint32>((rowBytes + maskBytes) * height));
    put<qint32>(bytes, 0);
    put<qint32>(bytes, 0);
    put<quint32>(bytes, static_cast<quint32>(colours));
    put<quint32>(bytes, 0);
    for (int i = 0; i < colours; ++i) {
        const QRgb colour = i < palette.size() ? palette.at(i) : 0;
        bytes.append(static_cast<char>(qBlue(colour)));
        bytes.append(static_cast<char>(qGreen(colour)));
        bytes.append(static_cast<char>(qRed(colour)));
        bytes.append('\0');
    }
    QByteArray pixels;
    QByteArray mask;
    for (int y = height - 1; y >= 0; --y) {
        QByteArray row(rowBytes, '\0');
        QByteArray maskRow(maskBytes, '\0');
        for (int x = 0; x < width; ++x) {
            const QRgb colour = image.pixel(x, y);
            const bool clear = qAlpha(colour) == 0;
            const int index = clear ? 0 : static_cast<int>(palette.indexOf(colour | 0xFF000000U));
            const int bit = x * bits;
            row[bit / 8] = static_cast<char>(row[bit / 8] | (index << (8 - bits - bit % 8)));
            if (clear) {
                maskRow[x / 8] = static_cast<char>(maskRow[x / 8] | (0x80 >> (x % 8)));
            }
        }
        pixels += row;
        mask += maskRow;
    }
    return bytes + pixels + mask;
}

bool writeIco(const QList<QImage>& images, const QString& path) {
    QByteArray directory;
    QByteArray data;
    put<quint16>(directory, 0);
    put<quint16>(directory, 1);
    put<quint16>(directory, static_cast<quint16>(images.size()));
    const int dataStart = 6 + 16 * static_cast<int>(images.size());
    for (const QImage& image : images) {
        int bits = 0;
        int colours = 0;
        const QByteArray entry = iconImage(image, bits, colours);
        directory.append(static_cast<char>(image.width() % 256));
        directory.append(static_cast<char>(image.height() % 256));
        directory.append(static_cast<char>(colours % 256));
        directory.append('\0');
        put<quint16>(directory, 1);
        put<quint16>(directory, static_cast<quint16>(bits));
        put<quint32>(directory, static_cast<quint32>(entry.size()));
        put<quint32>(directory, static_cast<quint32>(dataStart + data.size()));
        data += entry;
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(directory + data) == directory.size() + data.size();
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: iconkit png|svg|ico OUT IN.xpm...\n");
        return 2;
    }
    const QString kind = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);
    QList<QImage> images;
    for (int i = 3; i < argc; ++i) {
        images << load(QString::fromLocal8Bit(argv[i]));
    }
    bool written = false;
    if (kind == "png") {
        written = images.first().save(out, "PNG");
    } else if (kind == "svg") {
        written = writeSvg(images.first(), out);
    } else if (kind == "ico") {
        written = writeIco(images, out);
    }
    if (!written) {
        std::fprintf(stderr, "iconkit: cannot write %s\n", qPrintable(out));
        return 1;
    }
    return 0;
}
