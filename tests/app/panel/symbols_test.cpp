#include "panel/symbols.hpp"

#include <QImage>

#include <gtest/gtest.h>

#include <tavlets/actions.hpp>

namespace tavlets {
namespace {

// Share of pixels the drawing touches: a missing or misplaced drawing shows as (almost) none.
double inkCoverage(const QString& name) {
    const QImage image = symbolPixmap(name, Qt::black, 32).toImage();
    int inked = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) inked += qAlpha(image.pixel(x, y)) > 64 ? 1 : 0;
    }
    return static_cast<double>(inked) / (image.width() * image.height());
}

TEST(Symbols, EveryOfferedActionAndTheTrayHaveADrawing) {
    Analysis everything;
    everything.json = Analysis::JSONState::valid;
    everything.delimiter = ',';
    everything.isCode = true;
    everything.isLongText = true;
    QStringList names = {"paperclip", "doc.on.clipboard", "paperclip.badge.ellipsis"};
    for (const Tavlet& action : ActionCatalog::actions(everything)) {
        names.append(QString::fromStdString(action.symbol));
    }
    ASSERT_EQ(names.size(), 3 + 17);
    for (const QString& name : names) {
        EXPECT_TRUE(hasSymbol(name)) << name.toStdString();
        const double ink = inkCoverage(name);
        EXPECT_GT(ink, 0.04) << name.toStdString();
        EXPECT_LT(ink, 0.6) << name.toStdString();
    }
    EXPECT_FALSE(hasSymbol(QStringLiteral("no.such.symbol")));
    EXPECT_GT(inkCoverage(QStringLiteral("no.such.symbol")), 0.04);
}

TEST(Symbols, TrayIconComesInTheUsualSizes) {
    const QIcon icon = symbolIcon(QStringLiteral("paperclip.badge.ellipsis"), Qt::white);
    ASSERT_FALSE(icon.isNull());
    for (int size : {16, 22, 32, 64}) EXPECT_EQ(icon.pixmap(size).width(), size) << size;
}

}  // namespace
}  // namespace tavlets
