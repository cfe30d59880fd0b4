// The tray icon must be visible on dark and light trays alike.

#include "shell/tray_icon.hpp"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace tavlets {
namespace {

// The contrast between a background and the icon drawn on it: the median over the pixels the icon
// covers, so a thin outline cannot pass for the whole icon. Also the share of the square covered.
struct Seen {
    double contrast = 1;
    double covered = 0;
};

Seen onBackground(const QIcon& icon, int side, const QColor& background) {
    const QImage alone = icon.pixmap(side, side).toImage().convertToFormat(QImage::Format_ARGB32);
    QImage shown(alone.size(), QImage::Format_RGB32);
    shown.fill(background);
    QPainter(&shown).drawImage(0, 0, alone);
    std::vector<double> ratios;
    for (int y = 0; y < alone.height(); ++y) {
        for (int x = 0; x < alone.width(); ++x) {
            if (qAlpha(alone.pixel(x, y)) < 128) continue;
            ratios.push_back(contrastRatio(QColor(shown.pixel(x, y)), background));
        }
    }
    if (ratios.empty()) return {};
    std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
    return {ratios[ratios.size() / 2], double(ratios.size()) / (alone.width() * alone.height())};
}

TEST(TrayIcon, StandsOutOnBlackAndOnWhiteAtEveryTraySize) {
    ASSERT_NEAR(contrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    ASSERT_NEAR(contrastRatio(QColor(0x80, 0x80, 0x80), Qt::white), 3.95, 0.01);
    const struct { const char* name; QIcon icon; } icons[] = {{"drawn", drawnTrayIcon()}, {"chosen", trayIcon()}};
    for (const auto& icon : icons) {
        for (int side : {16, 22, 24, 32, 48}) {
            for (const QColor background : {QColor(Qt::black), QColor(Qt::white), QColor(0x30, 0x30, 0x30)}) {
                SCOPED_TRACE(std::string(icon.name) + " " + std::to_string(side) + " on " +
                             background.name().toStdString());
                const Seen seen = onBackground(icon.icon, side, background);
                EXPECT_GE(seen.contrast, 3.0);
                EXPECT_GE(seen.covered, 0.4);  // a shape, not a speck
            }
        }
    }
}

// Where no tray recolours it, the symbolic icon shows in the colours written in the file.
TEST(TrayIcon, TheShippedSymbolicIconIsReadableUnrecoloured) {
    QFile file(QStringLiteral(TAVLETS_APP_DATA "/tavlets-symbolic.svg"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString svg = QString::fromUtf8(file.readAll());
    const QRegularExpression colour(QStringLiteral("#[0-9a-fA-F]{6}\\b"));
    int found = 0;
    for (auto it = colour.globalMatch(svg); it.hasNext(); ++found) {
        const QColor c(it.next().captured());
        EXPECT_GE(contrastRatio(c, Qt::black), 3.0) << c.name().toStdString();
        EXPECT_GE(contrastRatio(c, Qt::white), 3.0) << c.name().toStdString();
    }
    EXPECT_GT(found, 0);
    EXPECT_FALSE(svg.contains(QStringLiteral("stroke="))) << "trays recolour fills only";
}

}  // namespace
}  // namespace tavlets
