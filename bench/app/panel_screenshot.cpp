// Renders the real panel, with JSON on the clipboard and its formatted result showing, to a PNG:
//   xvfb-run -s "-screen 0 1920x1080x24" panel_screenshot docs/panel.png [symbols.png [screen.png]]
// The panel is drawn over a plain backdrop with a soft shadow, as a compositing desktop shows it;
// screen.png is what the X server itself shows around the window.
// For other looks: PANEL_SHOT_TEXT replaces the clipboard text (empty: the empty state),
// PANEL_SHOT_RUN picks the action to run (-1: none), PANEL_SHOT_DARK=1 uses a dark palette,
// PANEL_SHOT_WHOLE_SCREEN=1 makes screen.png the whole screen (to show how the panel fits it).
// PANEL_SHOT_CONTRAST=1 prints the contrast of the small text and of the pills, measured on the
// panel drawn over the backdrop that leaves the least (black behind light, white behind dark).

#include <QApplication>
#include <QPalette>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QScreen>

#include <QLabel>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

#include "panel/floating_panel.hpp"
#include "panel/panel_parts.hpp"
#include "panel/panel_controller.hpp"
#include "panel/panel_view.hpp"
#include "panel/symbols.hpp"
#include "panel_fixture.hpp"

namespace {

const char* const kClipboard =
    R"({"user":{"id":4182,"name":"Ada Lovelace","email":"ada@example.com","roles":["admin","editor"]},)"
    R"("active":true,"lastLogin":"2026-12-04T09:15:00Z","quota":{"used":7.5,"limit":20}})";

QImage onBackdrop(const QPixmap& panel) {
    const qreal dpr = panel.devicePixelRatio();
    const QSizeF size = QSizeF(panel.size()) / dpr;
    const int margin = 48;
    QImage image(QSize(qRound(size.width()) + 2 * margin, qRound(size.height()) + 2 * margin),
                 QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient backdrop(0, 0, 0, image.height());
    backdrop.setColorAt(0, QColor(0x9d, 0xb4, 0xcf));
    backdrop.setColorAt(1, QColor(0x6f, 0x86, 0xa6));
    painter.fillRect(image.rect(), backdrop);
    // A soft shadow: stacked, widening rounded rectangles of low opacity.
    const QRectF frame(margin, margin, size.width(), size.height());
    for (int i = 18; i >= 1; --i) {
        QPainterPath shadow;
        shadow.addRoundedRect(frame.adjusted(-i, -i + 8, i, i + 8), 18 + i, 18 + i);
        painter.fillPath(shadow, QColor(0, 0, 0, 3));
    }
    painter.drawPixmap(frame.topLeft(), panel);
    return image;
}

void saveSymbolSheet(const QString& path) {
    const QStringList names = {
        "text.alignleft", "arrow.down.right.and.arrow.up.left", "exclamationmark.magnifyingglass",
        "tablecells", "curlybraces", "text.quote", "checklist",
        "chevron.left.forwardslash.chevron.right", "textformat.size.larger",
        "textformat.size.smaller", "textformat", "textformat.abc", "scissors", "number", "link",
        "lock", "lock.open", "paperclip", "doc.on.clipboard", "paperclip.badge.ellipsis"};
    const int cell = 72;
    QImage sheet(cell * 5, cell * 4 + 30, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    for (int i = 0; i < names.size(); ++i) {
        const QRectF box((i % 5) * cell + 12, (i / 5) * cell + 12, 48, 48);
        tavlets::paintSymbol(painter, names[i], box, Qt::black);
        tavlets::paintSymbol(painter, names[i], QRectF(box.right() - 2, box.bottom() - 2, 13, 13),
                             Qt::black);
    }
    sheet.save(path);
}

double luminance(QRgb rgb) {
    const auto channel = [](int v) {
        const double c = v / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(rgb)) + 0.7152 * channel(qGreen(rgb)) + 0.0722 * channel(qBlue(rgb));
}

// The most common colour of the area is its background; the pixel farthest from it is the text.
double measuredContrast(const QImage& image, const QRect& area) {
    std::map<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) ++counts[image.pixel(x, y)];
    const QRgb background =
        std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
    const double lb = luminance(background);
    double best = 1;
    for (const auto& entry : counts) {
        const double lt = luminance(entry.first);
        best = std::max(best, (std::max(lt, lb) + 0.05) / (std::min(lt, lb) + 0.05));
    }
    return best;
}

void printContrast(tavlets::PanelView& view, bool dark) {
    QImage image(view.size(), QImage::Format_ARGB32);
    image.fill(dark ? Qt::white : Qt::black);
    {
        QPainter painter(&image);
        painter.drawPixmap(0, 0, view.grab());
    }
    const auto area = [&](const QWidget* part, QMargins inset = {}) {
        return part ? QRect(part->mapTo(&view, QPoint(0, 0)), part->size()) - inset : QRect();
    };
    // The footer keeps each hint whole with non-breaking spaces; its text is read with plain ones.
    const auto label = [&](const QString& text) -> const QWidget* {
        for (const QLabel* l : view.findChildren<QLabel*>())
            if (QString(l->text()).replace(QChar::Nbsp, QLatin1Char(' ')) == text && l->isVisibleTo(&view)) return l;
        return nullptr;
    };
    const QMargins pillText(30, 6, 10, 6);
    const struct { const char* name; QRect rect; } parts[] = {
        {"footer", area(label(view.footerLabelText()))},
        {"count", area(label(view.characterCountLabelText()))},
        {"preview", area(view.findChild<tavlets::PreviewBox*>())},
        {"selected pill", area(view.pill(0), pillText)},
        {"pill", area(view.pill(1), pillText)},
    };
    for (const auto& part : parts) {
        if (part.rect.isEmpty()) continue;
        std::printf("%s %s: %.2f:1\n", dark ? "dark" : "light", part.name, measuredContrast(image, part.rect));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: panel_screenshot OUT.png [SYMBOLS.png]\n");
        return 2;
    }
    if (qEnvironmentVariableIntValue("PANEL_SHOT_DARK") == 1) {
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2e));
        dark.setColor(QPalette::WindowText, QColor(0xf2, 0xf2, 0xf5));
        dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x20));
        dark.setColor(QPalette::Text, QColor(0xf2, 0xf2, 0xf5));
        dark.setColor(QPalette::Highlight, QColor(0x0a, 0x84, 0xff));
        QApplication::setPalette(dark);
    }
    auto clipboard = std::make_shared<tavlets::bench::MemoryClipboard>();
    clipboard->text = qEnvironmentVariableIsSet("PANEL_SHOT_TEXT")
                          ? qEnvironmentVariable("PANEL_SHOT_TEXT").toStdString()
                          : std::string(kClipboard);
    const int run = qEnvironmentVariableIsSet("PANEL_SHOT_RUN")
                        ? qEnvironmentVariableIntValue("PANEL_SHOT_RUN")
                        : 0;
    tavlets::PanelController controller(clipboard);
    controller.show();
    for (int i = 0; i < 20; ++i) tavlets::bench::flush();
    if (run >= 0) {
        controller.model().choose(run);  // 0 is "Format as JSON" for JSON
        tavlets::bench::PaintWatch watch;
        controller.view()->installEventFilter(&watch);
        tavlets::bench::runUntil([&] { return watch.painted && controller.view()->showsResult(); });
        controller.view()->removeEventFilter(&watch);
    }
    for (int i = 0; i < 5; ++i) tavlets::bench::flush();

    if (qEnvironmentVariableIntValue("PANEL_SHOT_CONTRAST") == 1) {
        printContrast(*controller.view(), qEnvironmentVariableIntValue("PANEL_SHOT_DARK") == 1);
    }
    const QPixmap panel = controller.view()->grab();
    if (!onBackdrop(panel).save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    if (argc > 2) saveSymbolSheet(QString::fromLocal8Bit(argv[2]));
    if (argc > 3) {
        const QRect around = qEnvironmentVariableIntValue("PANEL_SHOT_WHOLE_SCREEN") == 1
                                 ? QGuiApplication::primaryScreen()->geometry()
                                 : controller.window()->geometry().adjusted(-20, -20, 20, 20);
        QGuiApplication::primaryScreen()
            ->grabWindow(0, around.x(), around.y(), around.width(), around.height())
            .save(QString::fromLocal8Bit(argv[3]));
    }
    std::printf("panel %dx%d, translucent %d\n", panel.width(), panel.height(),
                controller.window()->isTranslucent() ? 1 : 0);
    return 0;
}
