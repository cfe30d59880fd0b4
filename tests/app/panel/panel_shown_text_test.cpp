// What the panel shows of hostile or secret text and results, which hints it offers in each
// state, and that its small text stays readable in both palettes, measured on the rendered panel.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPalette>

#include "panel/panel_parts.hpp"
#include "panel/panel_text.hpp"
#include "panel_fixture.hpp"

namespace tavlets {
namespace {

using testing::kChooseFooter;
using testing::settle;

struct Panel : testing::OpenPanel {
    // `extra`: one action of the user's, offered after the built-in ones.
    explicit Panel(std::optional<std::string> text, std::function<Outcome(std::string_view)> extra = {})
        : OpenPanel(std::move(text), false) {
        if (extra) {
            model().extraActions = [extra](const Analysis&, std::string_view) {
                return std::vector<Tavlet>{{"user.1", "Mine", "", extra}};
            };
        }
        show();
    }
    void runLast() { run(model().actions().back().id); }
    QString shownResult() { return view().resultText()->toPlainText(); }
};

TEST(PanelShownText, ControlCharactersShowAsPicturesWhileCopiesKeepTheBytes) {
    const std::string text("first\0second\x01\x7F\tend", 18);
    Panel panel(text);
    EXPECT_EQ(panel.view().previewLabelText(), QStringLiteral(u"first\u2400second\u2401\u2421\tend"));
    panel.run("case.upper");
    EXPECT_EQ(panel.shownResult(), QStringLiteral(u"FIRST\u2400SECOND\u2401\u2421\tEND"));
    panel.press(Qt::Key_Return);
    ASSERT_EQ(panel.clipboard->writes.size(), 1u);
    EXPECT_EQ(panel.clipboard->writes[0], std::string("FIRST\0SECOND\x01\x7F\tEND", 18));
}

TEST(PanelShownText, AHugeResultShowsItsStartWithANoteAndCopiesWhole) {
    const std::string huge = [] {
        std::string s;
        while (s.size() < 3 * kShownResultBytes) s += "line of output \xC3\xA9\n";
        return s;
    }();
    Panel panel("make it big", [&huge](std::string_view) { return Outcome{huge, false, true}; });
    panel.runLast();
    const QString shown = panel.shownResult();
    EXPECT_LE(shown.size(), static_cast<qsizetype>(kShownResultBytes));
    EXPECT_TRUE(shown.startsWith(QStringLiteral(u"line of output \u00E9\n")));
    EXPECT_TRUE(shown.endsWith(partlyShownNote(shownResultPart(huge).size(), huge.size()))) << shown.right(120).toStdString();
    panel.press(Qt::Key_Return);
    ASSERT_EQ(panel.clipboard->writes.size(), 1u);
    EXPECT_TRUE(panel.clipboard->writes[0] == huge);
}

TEST(PanelShownText, HintsOfferOnlyTheKeysThatDoSomething) {
    struct Case {
        const char* name;
        std::optional<std::string> text;
        std::function<void(PanelModel&)> then;
        QString footer;
    };
    const Case cases[] = {
        {"no text", std::nullopt, nullptr, closeOnlyFooterText()},
        {"blank text", " \n ", nullptr, closeOnlyFooterText()},
        {"reading", "x", [](PanelModel& m) { m.beginLoad(); }, closeOnlyFooterText()},
        {"not answering", "x",
         [](PanelModel& m) { m.deliverText(m.beginLoad(), {ClipboardRead::Status::notAnswering, {}, false}); },
         closeOnlyFooterText()},
        {"choosing", "x", nullptr, kChooseFooter},
        {"busy", "x",
         [](PanelModel& m) {
             m.runner = [](PanelModel::Run) {};  // never finishes
             m.start(0);
         },
         busyFooterText()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Panel panel(c.text);
        if (c.then) c.then(panel.model());
        settle();
        EXPECT_EQ(panel.view().footerLabelText(), c.footer);
    }
}

// ---- Contrast, measured on the rendered panel ----

// The most common colour of the area is its background; the pixel that differs most from it is
// the text at its fullest.
double measuredContrast(const QImage& image, const QRect& area) {
    std::map<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) ++counts[image.pixel(x, y)];
    const QRgb background =
        std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
    double best = 1;
    for (const auto& [pixel, count] : counts) best = std::max(best, wcagContrast(QColor(pixel), QColor(background)));
    return best;
}

QRect areaOf(const QWidget& view, const QWidget& part) {
    return QRect(part.mapTo(&view, QPoint(0, 0)), part.size());
}

const QLabel* labelShowing(const QWidget& view, const QString& text) {
    for (const QLabel* label : view.findChildren<QLabel*>())
        if (label->text() == text && label->isVisibleTo(&view)) return label;
    return nullptr;
}

TEST(PanelContrast, SmallTextAndPillsReadAtLeast4point5To1InBothPalettes) {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2e));
    dark.setColor(QPalette::WindowText, QColor(0xf2, 0xf2, 0xf5));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x20));
    dark.setColor(QPalette::Text, QColor(0xf2, 0xf2, 0xf5));
    dark.setColor(QPalette::Highlight, QColor(0x0a, 0x84, 0xff));
    const QPalette light = QApplication::palette();
    for (const bool isDark : {false, true}) {
        SCOPED_TRACE(isDark ? "dark" : "light");
        QApplication::setPalette(isDark ? dark : light);
        Panel panel(std::string(R"({"name": "Ada", "n": [1, 2]})"));
        PanelView& view = panel.view();
        // Drawn over the desktop that leaves the least contrast through the veil.
        QImage image(view.size(), QImage::Format_ARGB32);
        image.fill(isDark ? Qt::white : Qt::black);
        {
            QPainter painter(&image);
            painter.drawPixmap(0, 0, view.grab());
        }
        const QLabel* footer = labelShowing(view, view.footerLabelText());
        const QLabel* count = labelShowing(view, view.characterCountLabelText());
        const PreviewBox* preview = view.findChild<PreviewBox*>();
        ASSERT_TRUE(footer && count && preview);
        const QWidget* selected = view.pill(0);
        const QWidget* other = view.pill(1);
        const struct { const char* part; QRect area; } parts[] = {
            {"footer", areaOf(view, *footer)},
            {"count", areaOf(view, *count)},
            {"preview", areaOf(view, *preview)},
            {"selected pill", areaOf(view, *selected).adjusted(30, 6, -10, -6)},
            {"pill", areaOf(view, *other).adjusted(30, 6, -10, -6)},
        };
        for (const auto& p : parts) {
            const double ratio = measuredContrast(image, p.area);
            std::printf("%s %s: %.2f:1\n", isDark ? "dark" : "light", p.part, ratio);
            EXPECT_GE(ratio, 4.5) << p.part;
        }
    }
    QApplication::setPalette(light);
}

}  // namespace
}  // namespace tavlets
