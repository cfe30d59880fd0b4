// Renders the real panel, with JSON on the clipboard and its formatted result showing, to a PNG:
//   xvfb-run -s "-screen 0 1920x1080x24" panel_screenshot docs/panel.png [symbols.png]
// The panel is drawn over a plain backdrop with a soft shadow, as a compositing desktop shows it.

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cstdio>
#include <memory>

#include "panel/floating_panel.hpp"
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

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: panel_screenshot OUT.png [SYMBOLS.png]\n");
        return 2;
    }
    auto clipboard = std::make_shared<tavlets::bench::MemoryClipboard>();
    clipboard->text = kClipboard;
    tavlets::PanelController controller(clipboard);
    controller.show();
    for (int i = 0; i < 20; ++i) tavlets::bench::flush();
    controller.model().confirm();  // Format as JSON
    tavlets::bench::PaintWatch watch;
    controller.view()->installEventFilter(&watch);
    tavlets::bench::runUntil([&] { return watch.painted && controller.view()->showsResult(); });
    controller.view()->removeEventFilter(&watch);

    const QPixmap panel = controller.view()->grab();
    if (!onBackdrop(panel).save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    if (argc > 2) saveSymbolSheet(QString::fromLocal8Bit(argv[2]));
    std::printf("panel %dx%d, translucent %d\n", panel.width(), panel.height(),
                controller.window()->isTranslucent() ? 1 : 0);
    return 0;
}
