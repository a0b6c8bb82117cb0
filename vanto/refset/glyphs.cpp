#include "glyphs.hpp"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QString>

#include <algorithm>
#include <cmath>

namespace vanto::refset {

std::vector<std::string> knownCharacters()
{
    std::vector<std::string> chars;
    for (char c = '0'; c <= '9'; ++c)
        chars.emplace_back(1, c);
    for (char c = 'A'; c <= 'Z'; ++c)
        chars.emplace_back(1, c);
    for (char c = 'a'; c <= 'z'; ++c)
        chars.emplace_back(1, c);
    chars.emplace_back("Ñ");
    chars.emplace_back("ñ");
    return chars;
}

const std::vector<FontFace>& referenceFaces()
{
    static const std::vector<FontFace> faces = {
        { "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "DejaVuSans" },
        { "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", "DejaVuSans-Bold" },
        { "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf", "DejaVuSerif" },
        { "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf", "DejaVuSerif-Bold" },
        { "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf", "DejaVuSansCondensed" },
        { "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf", "LiberationSans" },
        { "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf", "LiberationSans-Bold" },
        { "/usr/share/fonts/opentype/urw-base35/NimbusMonoPS-Regular.otf", "NimbusMonoPS" },
        { "/usr/share/fonts/opentype/urw-base35/P052-Roman.otf", "P052" },
        // Families of other designs and line metrics, none a clone of an
        // evaluation face.
        { "/usr/share/fonts/opentype/linux-libertine/LinLibertine_R.otf", "LinuxLibertine" },
        { "/usr/share/fonts/opentype/linux-libertine/LinBiolinum_R.otf", "LinuxBiolinum" },
        { "/usr/share/fonts/truetype/crosextra/Carlito-Regular.ttf", "Carlito" },
        { "/usr/share/fonts/truetype/crosextra/Caladea-Regular.ttf", "Caladea" },
        { "/usr/share/fonts/truetype/open-sans/OpenSans-Regular.ttf", "OpenSans" },
        { "/usr/share/fonts/fonts-go/Go-Regular.ttf", "Go" },
        { "/usr/share/fonts/fonts-go/Go-Mono.ttf", "GoMono" },
    };
    return faces;
}

const std::vector<FontFace>& validationFaces()
{
    static const std::vector<FontFace> faces = {
        { "/usr/share/fonts/truetype/liberation2/LiberationSerif-Regular.ttf", "LiberationSerif" },
        { "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf", "DejaVuSansMono" },
        { "/usr/share/fonts/opentype/urw-base35/URWGothic-Book.otf", "URWGothic" },
    };
    return faces;
}

const std::vector<FontFace>& testFaces()
{
    static const std::vector<FontFace> faces = {
        { "/usr/share/fonts/truetype/liberation2/LiberationMono-Regular.ttf", "LiberationMono" },
        { "/usr/share/fonts/truetype/noto/NotoSansMono-Regular.ttf", "NotoSansMono" },
        { "/usr/share/fonts/opentype/urw-base35/C059-Roman.otf", "C059" },
        { "/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf", "NimbusSans" },
    };
    return faces;
}

GlyphResult renderGlyph(
    const FontFace& face, int pixelSize, const std::string& character, Framing framing)
{
    const QString file
        = QString::fromUtf8(face.file.data(), static_cast<qsizetype>(face.file.size()));
    const QRawFont font(file, pixelSize, QFont::PreferNoHinting);
    if (!font.isValid())
        return { {}, "no se puede cargar la fuente " + std::string(face.file) };
    const QString text = QString::fromStdString(character);
    const QList<quint32> glyphs = font.glyphIndexesForString(text);
    if (glyphs.size() != 1 || glyphs.front() == 0)
        return { {}, "la fuente " + std::string(face.file) + " no tiene el carácter " + character };

    // The outline in pixels, with the origin on the baseline. It is moved by
    // whole pixels only, so the glyph keeps its position against the pixel
    // grid that the font gives it.
    QPainterPath outline = font.pathForGlyph(glyphs.front());
    const QRectF bounds = outline.boundingRect();
    constexpr int kMargin = 2;
    const int dx = kMargin - static_cast<int>(std::floor(bounds.left()));
    int dy = kMargin - static_cast<int>(std::floor(bounds.top()));
    int height = static_cast<int>(std::ceil(bounds.bottom())) + dy + kMargin;
    if (framing == Framing::Line) {
        const int above = static_cast<int>(std::ceil(std::max(font.ascent(), -bounds.top())));
        const int below = static_cast<int>(std::ceil(std::max(font.descent(), bounds.bottom())));
        dy = above;
        height = above + below;
    }
    outline.translate(dx, dy);
    const int width = static_cast<int>(std::ceil(bounds.right())) + dx + kMargin;

    QImage grey(width, height, QImage::Format_Grayscale8);
    grey.fill(255);
    {
        QPainter painter(&grey);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.fillPath(outline, Qt::black);
    }

    GlyphResult result;
    Bitmap& b = result.bitmap;
    b.width = width;
    b.height = height;
    b.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const uchar* row = grey.constScanLine(y);
        for (int x = 0; x < width; ++x)
            b.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width)
                + static_cast<std::size_t>(x)]
                = row[x] < 128 ? 1 : 0;
    }
    return result;
}

} // namespace vanto::refset
