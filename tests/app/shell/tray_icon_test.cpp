// The tray icon must be visible on dark and light trays alike.

#include "shell/tray_icon.hpp"

#include "panel/panel_parts.hpp"

#include <QFile>
#include <QImage>
#include <QPainter>
#ifdef TAVLETS_HAVE_SVG
#include <QSvgRenderer>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace tavlets {
namespace {

// How an icon shows on a background: the median contrast over the pixels it covers (so a thin
// outline cannot pass for the whole icon), the share of the square it covers, and the share of
// its pixels that stand out.
struct Seen {
    double contrast = 1, covered = 0, standing = 0;
};

Seen onBackground(const QImage& icon, const QColor& background) {
    const QImage alone = icon.convertToFormat(QImage::Format_ARGB32);
    QImage shown(alone.size(), QImage::Format_RGB32);
    shown.fill(background);
    QPainter(&shown).drawImage(0, 0, alone);
    std::vector<double> ratios;
    for (int y = 0; y < alone.height(); ++y) {
        for (int x = 0; x < alone.width(); ++x) {
            if (qAlpha(alone.pixel(x, y)) >= 128) ratios.push_back(contrastRatio(QColor(shown.pixel(x, y)), background));
        }
    }
    if (ratios.empty()) return {};
    const double standing = double(std::count_if(ratios.begin(), ratios.end(), [](double r) { return r >= 3.0; }));
    std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
    return {ratios[ratios.size() / 2], double(ratios.size()) / (alone.width() * alone.height()), standing / ratios.size()};
}

// The icons as a tray that does not recolour shows them: the drawn one and the one chosen stand out
// as a whole; the shipped symbolic one, two-toned, has one tone standing out over most of its shape.
TEST(TrayIcon, StandsOutOnLightAndDarkTraysAtEveryTraySize) {
    ASSERT_NEAR(contrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    ASSERT_NEAR(contrastRatio(QColor(0x80, 0x80, 0x80), Qt::white), 3.95, 0.01);
    struct Shown { const char* name; int side; QImage image; bool twoTone = false; };
    std::vector<Shown> shown;
#ifdef TAVLETS_HAVE_SVG
    QFile file(QStringLiteral(TAVLETS_APP_DATA "/tavlets-symbolic.svg"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray svg = file.readAll();
    EXPECT_FALSE(svg.contains("stroke=")) << "trays recolour fills only";
    EXPECT_TRUE(svg.contains("ColorScheme-Text"));
    QSvgRenderer renderer(svg);
    ASSERT_TRUE(renderer.isValid());
#endif
    for (int side : {16, 22, 24, 32, 48}) {
        shown.push_back({"drawn", side, drawnTrayIcon().pixmap(side, side).toImage()});
        shown.push_back({"chosen", side, trayIcon().pixmap(side, side).toImage()});
#ifdef TAVLETS_HAVE_SVG
        QImage alone(side, side, QImage::Format_ARGB32_Premultiplied);
        alone.fill(Qt::transparent);
        QPainter painter(&alone);
        renderer.render(&painter);
        painter.end();
        shown.push_back({"symbolic", side, alone, true});
#endif
    }
    for (const Shown& icon : shown) {
        for (const QColor background : {QColor(0xffffffu), QColor(0xddddddu), QColor(0x303030u), QColor(0x000000u)}) {
            if (!icon.twoTone && background == QColor(0xddddddu)) continue;  // light grey trays: the symbolic icon's case
            SCOPED_TRACE(std::string(icon.name) + " " + std::to_string(icon.side) + " on " + background.name().toStdString());
            const Seen seen = onBackground(icon.image, background);
            EXPECT_GE(seen.covered, icon.twoTone ? 0.25 : 0.4);  // a shape, not a speck
            if (icon.twoTone) { EXPECT_GE(seen.standing, 0.4); } else { EXPECT_GE(seen.contrast, 3.0); }
        }
    }
}

}  // namespace
}  // namespace tavlets
