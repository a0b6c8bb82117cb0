// Writes the sample character images of samples/: each character drawn in
// DejaVu Sans without antialiasing, cropped to its black pixels plus a
// small white margin, and saved as a PBM. Built on demand:
//   cmake --build build --target make_samples
//   build/vanto/viewpbm/make_samples samples
#include "pbm.hpp"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

namespace {

constexpr int kMargin = 2;

vanto::Bitmap drawCharacter(const QString& character)
{
    QImage canvas(160, 160, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(48);
    font.setStyleStrategy(QFont::NoAntialias);
    {
        QPainter painter(&canvas);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(canvas.rect(), Qt::AlignCenter, character);
    }

    QRect box;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (qGray(canvas.pixel(x, y)) < 128)
                box |= QRect(x, y, 1, 1);
    box.adjust(-kMargin, -kMargin, kMargin, kMargin);

    vanto::Bitmap bitmap;
    bitmap.width = box.width();
    bitmap.height = box.height();
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            bitmap.pixels.push_back(qGray(canvas.pixel(x, y)) < 128 ? 1 : 0);
    return bitmap;
}

// The plain form with a comment line after the magic number.
std::string plainWithComment(const vanto::Bitmap& bitmap, const QString& comment)
{
    std::string text = vanto::formatPlainPbm(bitmap);
    return text.insert(3, "# " + comment.toStdString() + "\n");
}

bool save(const QString& path, const std::string& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(bytes.data(), static_cast<qint64>(bytes.size()))
            != static_cast<qint64>(bytes.size())) {
        std::fprintf(stderr, "no se puede escribir %s: %s\n", qPrintable(path),
            qPrintable(file.errorString()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "uso: make_samples <carpeta de muestras>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));

    struct Plain {
        const char* character;
        const char* file;
    };
    bool ok = true;
    for (const Plain& sample : { Plain { "A", "A.pbm" }, Plain { "B", "B.pbm" },
             Plain { "8", "8.pbm" }, Plain { "e", "e.pbm" }, Plain { "ñ", "enye.pbm" } }) {
        const QString character = QString::fromUtf8(sample.character);
        ok &= save(out.filePath(sample.file),
            plainWithComment(drawCharacter(character), "letra " + character));
    }
    ok &= save(out.filePath("R_raw.pbm"), vanto::formatRawPbm(drawCharacter("R")));
    ok &= save(
        out.filePath("con espacios/letra a.pbm"), plainWithComment(drawCharacter("a"), "letra a"));
    return ok ? 0 : 1;
}
