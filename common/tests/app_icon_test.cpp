#include <gtest/gtest.h>

#include "app_icon.hpp"

#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>

namespace {

// The part of an image that is not transparent.
double opaqueShare(const QImage& image)
{
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            opaque += qAlpha(image.pixel(x, y)) == 255;
    return static_cast<double>(opaque) / (image.width() * image.height());
}

TEST(AppIcon, WindowsGetTheIconDrawnAtEveryUsualSize)
{
    glifora::setApplicationIcon(*qGuiApp);
    const QIcon icon = QGuiApplication::windowIcon();
    for (const int size : { 16, 24, 32, 48, 64, 128, 256 }) {
        SCOPED_TRACE(size);
        ASSERT_TRUE(icon.availableSizes().contains(QSize(size, size)));
        const QImage image = icon.pixmap(QSize(size, size)).toImage();
        ASSERT_EQ(image.size(), QSize(size, size));
        // A sheet on a clear background: neither empty nor a filled square.
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_GT(opaqueShare(image), 0.4);
        EXPECT_LT(opaqueShare(image), 0.9);
    }
}

TEST(AppIcon, DesktopFileNameNamesTheInstalledEntry)
{
    glifora::setApplicationIcon(*qGuiApp);
    EXPECT_EQ(QGuiApplication::desktopFileName(),
        QFileInfo(QStringLiteral(GLIFORA_DESKTOP_ENTRY)).completeBaseName());
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
