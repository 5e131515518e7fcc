// appicon: renders the program's goldfish icon at build time from the drawing the tray uses.
//   appicon hicolor OUTDIR NAME   OUTDIR/<n>x<n>/apps/NAME.png at the usual menu sizes
//   appicon ico FILE              a Windows icon with 16, 24, 32, 48 and 256 pixels
// No display is needed: the pictures are painted into images.
#include <QBuffer>
#include <QDir>
#include <QImage>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/linux/app_icon.h"
#include "tools/appicon/ico_writer.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: appicon hicolor OUTDIR NAME | appicon ico FILE\n");
    return 2;
}

int fail(const std::string& why) {
    std::fprintf(stderr, "appicon: %s\n", why.c_str());
    return 1;
}

QImage straight_argb(int size) { return brine::draw_goldfish(size).convertToFormat(QImage::Format_ARGB32); }

int write_hicolor(const QString& outDir, const QString& name) {
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QString("%1/%2x%2/apps").arg(outDir).arg(size);
        if (!QDir().mkpath(folder)) return fail("cannot make " + folder.toStdString());
        const QString file = folder + "/" + name + ".png";
        if (!straight_argb(size).save(file, "PNG")) return fail("cannot write " + file.toStdString());
    }
    return 0;
}

int write_ico(const char* file) {
    std::vector<brine::appicon::IcoPicture> pictures;
    for (int size : {16, 24, 32, 48, 256}) {
        brine::appicon::IcoPicture picture;
        picture.size = size;
        const QImage image = straight_argb(size);
        if (size == 256) {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
            picture.png.assign(png.begin(), png.end());
        } else {
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x) picture.argb.push_back(image.pixel(x, y));
        }
        pictures.push_back(std::move(picture));
    }
    std::vector<unsigned char> bytes;
    std::string reason;
    if (!brine::appicon::encode_ico(pictures, &bytes, &reason)) return fail(reason);
    const std::string temp = std::string(file) + ".tmp";
    std::FILE* out = std::fopen(temp.c_str(), "wb");
    if (!out) return fail("cannot create " + temp);
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    ok = std::fclose(out) == 0 && ok;
    if (!ok || std::rename(temp.c_str(), file) != 0) {
        std::remove(temp.c_str());
        return fail(std::string("cannot write ") + file);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "hicolor") == 0) return write_hicolor(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "ico") == 0) return write_ico(argv[2]);
    return usage();
}
