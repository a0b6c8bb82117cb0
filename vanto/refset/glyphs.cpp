#include "glyphs.hpp"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QString>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

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
        { "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", "DejaVuSans-Bold", "negrita" },
        { "/usr/share/fonts/truetype/dejavu/DejaVuSans-Oblique.ttf", "DejaVuSans-Oblique",
            "cursiva" },
        { "/usr/share/fonts/truetype/dejavu/DejaVuSans-BoldOblique.ttf", "DejaVuSans-BoldOblique",
            "negrita-cursiva" },
        { "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf", "DejaVuSerif" },
        { "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf", "DejaVuSerif-Bold", "negrita" },
        { "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Italic.ttf", "DejaVuSerif-Italic",
            "cursiva" },
        { "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf", "DejaVuSansCondensed" },
        { "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf",
            "DejaVuSansCondensed-Bold", "negrita" },
        { "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf", "LiberationSans" },
        { "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf", "LiberationSans-Bold",
            "negrita" },
        { "/usr/share/fonts/truetype/liberation2/LiberationSans-Italic.ttf",
            "LiberationSans-Italic", "cursiva" },
        { "/usr/share/fonts/opentype/urw-base35/NimbusMonoPS-Regular.otf", "NimbusMonoPS" },
        { "/usr/share/fonts/opentype/urw-base35/NimbusMonoPS-Bold.otf", "NimbusMonoPS-Bold",
            "negrita" },
        { "/usr/share/fonts/opentype/urw-base35/NimbusMonoPS-Italic.otf", "NimbusMonoPS-Italic",
            "cursiva" },
        { "/usr/share/fonts/opentype/urw-base35/P052-Roman.otf", "P052" },
        { "/usr/share/fonts/opentype/urw-base35/P052-Bold.otf", "P052-Bold", "negrita" },
        { "/usr/share/fonts/opentype/urw-base35/P052-Italic.otf", "P052-Italic", "cursiva" },
        { "/usr/share/fonts/opentype/urw-base35/URWBookman-Light.otf", "URWBookman" },
        { "/usr/share/fonts/opentype/urw-base35/URWBookman-Demi.otf", "URWBookman-Demi",
            "negrita" },
        { "/usr/share/fonts/opentype/urw-base35/URWBookman-LightItalic.otf",
            "URWBookman-LightItalic", "cursiva" },
        { "/usr/share/fonts/opentype/linux-libertine/LinLibertine_R.otf", "LinuxLibertine" },
        { "/usr/share/fonts/opentype/linux-libertine/LinLibertine_RB.otf", "LinuxLibertine-Bold",
            "negrita" },
        { "/usr/share/fonts/opentype/linux-libertine/LinLibertine_RI.otf", "LinuxLibertine-Italic",
            "cursiva" },
        { "/usr/share/fonts/opentype/linux-libertine/LinBiolinum_R.otf", "LinuxBiolinum" },
        { "/usr/share/fonts/opentype/linux-libertine/LinBiolinum_RB.otf", "LinuxBiolinum-Bold",
            "negrita" },
        { "/usr/share/fonts/opentype/linux-libertine/LinBiolinum_RI.otf", "LinuxBiolinum-Italic",
            "cursiva" },
        { "/usr/share/fonts/truetype/crosextra/Carlito-Regular.ttf", "Carlito" },
        { "/usr/share/fonts/truetype/crosextra/Carlito-Bold.ttf", "Carlito-Bold", "negrita" },
        { "/usr/share/fonts/truetype/crosextra/Carlito-Italic.ttf", "Carlito-Italic", "cursiva" },
        { "/usr/share/fonts/truetype/crosextra/Caladea-Regular.ttf", "Caladea" },
        { "/usr/share/fonts/truetype/crosextra/Caladea-Bold.ttf", "Caladea-Bold", "negrita" },
        { "/usr/share/fonts/truetype/crosextra/Caladea-Italic.ttf", "Caladea-Italic", "cursiva" },
        { "/usr/share/fonts/truetype/open-sans/OpenSans-Regular.ttf", "OpenSans" },
        { "/usr/share/fonts/truetype/open-sans/OpenSans-Bold.ttf", "OpenSans-Bold", "negrita" },
        { "/usr/share/fonts/truetype/open-sans/OpenSans-Italic.ttf", "OpenSans-Italic", "cursiva" },
        { "/usr/share/fonts/truetype/open-sans/OpenSans-CondBold.ttf", "OpenSans-CondBold",
            "negrita" },
        { "/usr/share/fonts/fonts-go/Go-Regular.ttf", "Go" },
        { "/usr/share/fonts/fonts-go/Go-Bold.ttf", "Go-Bold", "negrita" },
        { "/usr/share/fonts/fonts-go/Go-Italic.ttf", "Go-Italic", "cursiva" },
        { "/usr/share/fonts/fonts-go/Go-Mono.ttf", "GoMono" },
        { "/usr/share/fonts/fonts-go/Go-Mono-Bold.ttf", "GoMono-Bold", "negrita" },
        // Slab serifs, geometric and other designs.
        { "/usr/share/fonts/opentype/roboto/slab/RobotoSlab-Regular.otf", "RobotoSlab" },
        { "/usr/share/fonts/opentype/roboto/slab/RobotoSlab-Bold.otf", "RobotoSlab-Bold",
            "negrita" },
        { "/usr/share/fonts/opentype/courier-prime/Courier Prime.otf", "CourierPrime" },
        { "/usr/share/fonts/opentype/courier-prime/Courier Prime Bold.otf", "CourierPrime-Bold",
            "negrita" },
        { "/usr/share/fonts/opentype/courier-prime/Courier Prime Italic.otf", "CourierPrime-Italic",
            "cursiva" },
        { "/usr/share/fonts/opentype/league-spartan/LeagueSpartan-Regular.otf", "LeagueSpartan" },
        { "/usr/share/fonts/opentype/league-spartan/LeagueSpartan-Bold.otf", "LeagueSpartan-Bold",
            "negrita" },
        { "/usr/share/fonts/truetype/comfortaa/Comfortaa-Regular.ttf", "Comfortaa" },
        { "/usr/share/fonts/truetype/comfortaa/Comfortaa-Bold.ttf", "Comfortaa-Bold", "negrita" },
        { "/usr/share/fonts/opentype/cantarell/Cantarell-Regular.otf", "Cantarell" },
        { "/usr/share/fonts/opentype/cantarell/Cantarell-Bold.otf", "Cantarell-Bold", "negrita" },
        { "/usr/share/fonts/truetype/lato/Lato-Regular.ttf", "Lato" },
        { "/usr/share/fonts/truetype/lato/Lato-Bold.ttf", "Lato-Bold", "negrita" },
        { "/usr/share/fonts/truetype/lato/Lato-Italic.ttf", "Lato-Italic", "cursiva" },
        { "/usr/share/fonts/truetype/andika/Andika-Regular.ttf", "Andika" },
        { "/usr/share/fonts/truetype/andika/Andika-Bold.ttf", "Andika-Bold", "negrita" },
        { "/usr/share/fonts/truetype/andika/Andika-Italic.ttf", "Andika-Italic", "cursiva" },
        { "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf", "Roboto" },
        { "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Bold.ttf", "Roboto-Bold",
            "negrita" },
        { "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Italic.ttf", "Roboto-Italic",
            "cursiva" },
    };
    return faces;
}

const std::vector<FontFace>& validationFaces()
{
    static const std::vector<FontFace> faces = {
        { "/usr/share/fonts/truetype/liberation2/LiberationSerif-Regular.ttf", "LiberationSerif" },
        { "/usr/share/fonts/truetype/liberation2/LiberationSerif-Bold.ttf", "LiberationSerif-Bold",
            "negrita" },
        { "/usr/share/fonts/truetype/liberation2/LiberationSerif-Italic.ttf",
            "LiberationSerif-Italic", "cursiva" },
        { "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf", "DejaVuSansMono" },
        { "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf", "DejaVuSansMono-Bold",
            "negrita" },
        { "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Oblique.ttf", "DejaVuSansMono-Oblique",
            "cursiva" },
        { "/usr/share/fonts/opentype/urw-base35/URWGothic-Book.otf", "URWGothic" },
        { "/usr/share/fonts/opentype/urw-base35/URWGothic-Demi.otf", "URWGothic-Demi", "negrita" },
        { "/usr/share/fonts/opentype/urw-base35/URWGothic-BookOblique.otf", "URWGothic-Oblique",
            "cursiva" },
    };
    return faces;
}

const std::vector<FontFace>& testFaces()
{
    static const std::vector<FontFace> faces = {
        { "/usr/share/fonts/truetype/liberation2/LiberationMono-Regular.ttf", "LiberationMono" },
        { "/usr/share/fonts/truetype/liberation2/LiberationMono-Bold.ttf", "LiberationMono-Bold",
            "negrita" },
        { "/usr/share/fonts/truetype/liberation2/LiberationMono-Italic.ttf",
            "LiberationMono-Italic", "cursiva" },
        { "/usr/share/fonts/truetype/noto/NotoSansMono-Regular.ttf", "NotoSansMono" },
        { "/usr/share/fonts/truetype/noto/NotoSansMono-Bold.ttf", "NotoSansMono-Bold", "negrita" },
        { "/usr/share/fonts/opentype/urw-base35/C059-Roman.otf", "C059" },
        { "/usr/share/fonts/opentype/urw-base35/C059-Bold.otf", "C059-Bold", "negrita" },
        { "/usr/share/fonts/opentype/urw-base35/C059-Italic.otf", "C059-Italic", "cursiva" },
        { "/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf", "NimbusSans" },
        { "/usr/share/fonts/opentype/urw-base35/NimbusSans-Bold.otf", "NimbusSans-Bold",
            "negrita" },
        { "/usr/share/fonts/opentype/urw-base35/NimbusSans-Italic.otf", "NimbusSans-Italic",
            "cursiva" },
    };
    return faces;
}

namespace {

// A Gaussian blur of a grey image, in place, one direction after the other.
void blur(QImage& grey, double sigma)
{
    const int radius = static_cast<int>(std::ceil(3 * sigma));
    std::vector<double> kernel(static_cast<std::size_t>(2 * radius + 1));
    double sum = 0;
    for (int i = -radius; i <= radius; ++i)
        sum += kernel[static_cast<std::size_t>(i + radius)]
            = std::exp(-i * i / (2 * sigma * sigma));
    for (double& k : kernel)
        k /= sum;
    const int w = grey.width(), h = grey.height();
    std::vector<double> line(static_cast<std::size_t>(std::max(w, h)));
    for (int pass = 0; pass < 2; ++pass) {
        const int length = pass == 0 ? w : h;
        const int lines = pass == 0 ? h : w;
        for (int l = 0; l < lines; ++l) {
            const auto at = [&](int i) -> uchar& {
                return pass == 0 ? grey.scanLine(l)[i] : grey.scanLine(i)[l];
            };
            for (int i = 0; i < length; ++i) {
                double v = 0;
                for (int k = -radius; k <= radius; ++k) {
                    const int j = i + k;
                    // Outside the image is white paper.
                    v += kernel[static_cast<std::size_t>(k + radius)]
                        * (j < 0 || j >= length ? 255.0 : at(j));
                }
                line[static_cast<std::size_t>(i)] = v;
            }
            for (int i = 0; i < length; ++i)
                at(i) = static_cast<uchar>(std::lround(line[static_cast<std::size_t>(i)]));
        }
    }
}

} // namespace

GlyphResult renderGlyph(const FontFace& face, int pixelSize, const std::string& character,
    Framing framing, const Distortion& distortion)
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
    if (distortion.slantPercent != 0)
        outline = QTransform(1, 0, -distortion.slantPercent / 100.0, 1, 0, 0).map(outline);
    if (distortion.rotationTenths != 0) {
        const QPointF centre = outline.boundingRect().center();
        // Qt turns clockwise on the screen for a positive angle.
        outline = QTransform()
                      .translate(centre.x(), centre.y())
                      .rotate(-distortion.rotationTenths / 10.0)
                      .translate(-centre.x(), -centre.y())
                      .map(outline);
    }
    const QRectF bounds = outline.boundingRect();
    constexpr int kMargin = 2;
    const int dx = distortion.marginX - static_cast<int>(std::floor(bounds.left()));
    int dy = kMargin - static_cast<int>(std::floor(bounds.top()));
    int height = static_cast<int>(std::ceil(bounds.bottom())) + dy + kMargin;
    if (framing == Framing::Line) {
        const int above = static_cast<int>(std::ceil(std::max(font.ascent(), -bounds.top())));
        const int below = static_cast<int>(std::ceil(std::max(font.descent(), bounds.bottom())));
        dy = above;
        height = above + below;
    }
    outline.translate(dx, dy);
    const int width = static_cast<int>(std::ceil(bounds.right())) + dx + distortion.marginX;

    QImage grey(width, height, QImage::Format_Grayscale8);
    grey.fill(255);
    {
        QPainter painter(&grey);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.fillPath(outline, Qt::black);
    }
    int cut = 128;
    if (distortion.cutLevel != 0) {
        blur(grey, pixelSize * distortion.blurPercent / 100.0);
        cut = distortion.cutLevel;
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
                = row[x] < cut ? 1 : 0;
    }
    return result;
}

void addSpecks(Bitmap& bitmap, int perMille, std::uint32_t seed)
{
    std::mt19937 random(seed);
    for (std::uint8_t& p : bitmap.pixels)
        if (static_cast<int>(random() % 1000) < perMille)
            p = p ? 0 : 1;
}

} // namespace vanto::refset
