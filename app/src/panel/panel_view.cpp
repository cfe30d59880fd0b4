#include "panel/panel_view.hpp"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

#include "panel/busy_box.hpp"
#include "panel/flow_layout.hpp"
#include "panel/panel_accessibility.hpp"
#include "panel/panel_parts.hpp"
#include "panel/panel_text.hpp"

#include <tavlets/text.hpp>

namespace tavlets {
namespace {

constexpr int kFlowSpacing = 8;
// Above these sizes a result is certainly taller than the scroll area, so it is not laid out
// just to learn its height (a 10 MB result would take seconds).
constexpr qsizetype kMeasureLimit = 20000;

QString fromUtf8(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The footer wraps between its hints, never inside one: "esc" above "close" reads as two hints.
const QString kHintSeparator = QStringLiteral(u"   \u00B7   ");

QString hintsKeptWhole(const QString& hints) {
    QStringList parts = hints.split(kHintSeparator);
    for (QString& part : parts) part.replace(QLatin1Char(' '), QChar::Nbsp);
    return parts.join(kHintSeparator);
}

// What small text needs against its background, with a little room for rounding on screen.
constexpr double kSecondaryContrast = 4.7;

// `top` drawn over `bottom`.
QColor composite(const QColor& top, const QColor& bottom) {
    const float a = top.alphaF();
    const auto mix = [a](float t, float b) { return t * a + b * (1 - a); };
    return QColor::fromRgbF(mix(top.redF(), bottom.redF()), mix(top.greenF(), bottom.greenF()),
                            mix(top.blueF(), bottom.blueF()));
}

}  // namespace

PanelColors PanelColors::fromPalette(const QPalette& palette, bool translucent) {
    PanelColors colors;
    const QColor window = palette.color(QPalette::Active, QPalette::Window);
    colors.dark = window.lightness() < 128;
    colors.primary = palette.color(QPalette::Active, QPalette::WindowText);
    colors.accent = palette.color(QPalette::Active, QPalette::Highlight);
    colors.red = colors.dark ? QColor(255, 69, 58) : QColor(255, 59, 48);
    colors.material = window;
    // Without blur behind it, a light veil keeps the panel readable over anything.
    if (translucent) colors.material.setAlphaF(0.96f);

    // Small secondary text must stay readable (4.5:1) on the darkest box it sits on, with the
    // least helpful desktop showing through the veil: the faintest tint of primary that does.
    const QColor backdrop = colors.dark ? QColor(Qt::white) : QColor(Qt::black);
    const QColor box = composite(colors.primaryAt(0.06), composite(colors.material, backdrop));
    colors.secondary = colors.primary;
    for (float alpha = colors.dark ? 0.55f : 0.5f; alpha < 1.0f; alpha += 0.02f) {
        colors.secondary.setAlphaF(alpha);
        if (contrastRatio(composite(colors.secondary, box), box) >= kSecondaryContrast) break;
    }
    if (contrastRatio(composite(colors.secondary, box), box) < kSecondaryContrast) colors.secondary.setAlphaF(1.0f);
    // White pill text needs the same on the accent: a light accent is darkened until it has it.
    for (int step = 0; step < 40 && contrastRatio(Qt::white, colors.accent) < kSecondaryContrast; ++step) {
        colors.accent = colors.accent.darker(106);
    }
    return colors;
}

QColor PanelColors::primaryAt(qreal opacity) const {
    QColor color = primary;
    color.setAlphaF(static_cast<float>(opacity));
    return color;
}

PanelView::PanelView(PanelModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    installPanelAccessibility();
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::StrongFocus);
    setFixedWidth(width_);

    emptyRow_ = new QWidget(this);
    auto* emptyLayout = new QHBoxLayout(emptyRow_);
    emptyLayout->setContentsMargins(0, 6, 0, 6);
    emptyLayout->setSpacing(10);
    emptyIcon_ = new SymbolLabel(QStringLiteral("doc.on.clipboard"), 22, emptyRow_);
    emptyLabel_ = new QLabel(emptyStateText(), emptyRow_);
    emptyLabel_->setFont(textStyle::title3());
    emptyLabel_->setWordWrap(true);
    emptyLabel_->setTextFormat(Qt::PlainText);
    emptyLayout->addWidget(emptyIcon_, 0, Qt::AlignVCenter);
    emptyLayout->addWidget(emptyLabel_, 1, Qt::AlignVCenter);

    // While the text is on its way, or when its owner does not answer: built like the empty
    // state, with a message of its own.
    readingRow_ = new QWidget(this);
    auto* readingLayout = new QHBoxLayout(readingRow_);
    readingLayout->setContentsMargins(0, 6, 0, 6);
    readingLayout->setSpacing(10);
    readingIcon_ = new SymbolLabel(QStringLiteral("doc.on.clipboard"), 22, readingRow_);
    readingLabel_ = new QLabel(readingText(), readingRow_);
    readingLabel_->setFont(textStyle::title3());
    readingLabel_->setWordWrap(true);
    readingLabel_->setTextFormat(Qt::PlainText);
    readingLayout->addWidget(readingIcon_, 0, Qt::AlignVCenter);
    readingLayout->addWidget(readingLabel_, 1, Qt::AlignVCenter);
    readingRow_->hide();

    header_ = new HeaderRow(this);
    preview_ = new PreviewBox(this);

    // The pills scroll only on a screen too small for all of them.
    pillsScroll_ = new QScrollArea(this);
    pillsScroll_->setFrameShape(QFrame::NoFrame);
    pillsScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pillsScroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    pillsScroll_->setFocusPolicy(Qt::NoFocus);
    pillsScroll_->setAutoFillBackground(false);
    pillsScroll_->viewport()->setAutoFillBackground(false);
    pillsBox_ = new QWidget;
    pillsLayout_ = new FlowLayout(pillsBox_, kFlowSpacing);
    pillsScroll_->setWidget(pillsBox_);
    pillsBox_->setAutoFillBackground(false);

    resultBox_ = new ResultBox(this);
    busyBox_ = new BusyBox(this);
    busyBox_->hide();

    footer_ = new QLabel(this);
    footer_->setFont(textStyle::caption());
    footer_->setTextFormat(Qt::PlainText);
    footer_->setWordWrap(true);

    applyColors();
    sync();
}

PanelView::~PanelView() = default;

void PanelView::markChanged(PanelModel::Field field) {
    switch (field) {
        case PanelModel::Field::text: textDirty_ = true; break;
        case PanelModel::Field::analysis: analysisDirty_ = true; break;
        case PanelModel::Field::actions: actionsDirty_ = true; break;
        case PanelModel::Field::selected: selectedDirty_ = true; break;
        case PanelModel::Field::outcome: outcomeDirty_ = true; break;
        case PanelModel::Field::reading: readingDirty_ = true; break;
        case PanelModel::Field::busy: busyDirty_ = true; break;
    }
}

void PanelView::sync() {
    const bool changed = textDirty_ || analysisDirty_ || actionsDirty_ || selectedDirty_ ||
                         outcomeDirty_ || readingDirty_ || busyDirty_;
    if (!changed) return;
    const bool stateChanged = actionsDirty_ || readingDirty_;
    if (actionsDirty_) rebuildPills();
    if (actionsDirty_ || selectedDirty_) updateSelection();
    if (textDirty_) updateText();
    if (analysisDirty_) header_->setLabel(fromUtf8(model_.analysis().label()));
    if (outcomeDirty_ || actionsDirty_) updateOutcome();
    if (stateChanged) updateReading();
    if (busyDirty_ || outcomeDirty_ || actionsDirty_) {
        // Each run earns its busy box anew.
        if (!model_.busy()) busyShown_ = false;
        busyBox_->setVisible(showsBusy());
    }
    updateFooter();
    const bool selectionMoved = actionsDirty_ || selectedDirty_;
    textDirty_ = analysisDirty_ = actionsDirty_ = selectedDirty_ = outcomeDirty_ = false;
    readingDirty_ = busyDirty_ = false;
    relayout();
    if (selectionMoved) revealSelectedPill();
}

void PanelView::setLimits(int maxWidth, int maxHeight) {
    const int width = std::clamp(maxWidth, kMinWidth, kWidth);
    const int height = std::max(maxHeight, 0);
    if (width == width_ && height == maxHeight_) return;
    const bool widthChanged = width != width_;
    width_ = width;
    maxHeight_ = height;
    setFixedWidth(width_);
    if (widthChanged) {
        // The result's height depends on the width it wraps at.
        outcomeDirty_ = true;
        sync();
    } else {
        relayout();
    }
}

void PanelView::revealSelectedPill() {
    PillButton* pill = pills_.value(model_.selected());
    if (pill) pillsScroll_->ensureWidgetVisible(pill, 0, 0);
}

void PanelView::rebuildPills() {
    for (PillButton* pill : pills_) {
        pillsLayout_->removeWidget(pill);
        pill->hide();
        // Later: the pill may be the one whose click led here.
        pill->deleteLater();
    }
    pills_.clear();
    const auto& actions = model_.actions();
    for (std::size_t i = 0; i < actions.size(); ++i) {
        auto* pill = new PillButton(static_cast<int>(i), fromUtf8(actions[i].title),
                                    fromUtf8(actions[i].symbol), pillsBox_);
        pill->setColors(colors_.primary, colors_.accent);
        connect(pill, &PillButton::clicked, this, [this](int index) { model_.start(index); });
        pillsLayout_->addWidget(pill);
        pill->show();
        pills_.append(pill);
    }
    const bool empty = actions.empty();
    emptyRow_->setVisible(empty);
    header_->setVisible(!empty);
    preview_->setVisible(!empty);
    pillsScroll_->setVisible(!empty);
}

void PanelView::updateSelection() {
    const int selected = model_.selected();
    PillButton* before = nullptr;
    for (PillButton* pill : pills_) {
        if (pill->isSelected()) before = pill;
    }
    for (qsizetype i = 0; i < pills_.size(); ++i) pills_[i]->setSelected(i == selected);
    announceSelection(before, pills_.value(selected));
}

void PanelView::updateText() {
    const std::string& text = model_.text();
    header_->setCount(characterCountText(text));
    if (model_.concealed()) {
        preview_->setText(hiddenPreviewText());
        return;
    }
    QString preview = fromUtf8(previewText(text));
    showControlCharacters(preview);
    preview_->setText(preview);
}

void PanelView::updateFooter() {
    // Only the keys that do something now: nothing to choose or run without actions, and while
    // an action works, only moving on or cancelling.
    QString hint;
    if (model_.actions().empty()) hint = closeOnlyFooterText();
    else if (model_.busy()) hint = busyFooterText();
    else hint = footerText(model_.outcome());
    hint = hintsKeptWhole(hint);
    if (footer_->text() == hint) return;
    footer_->setText(hint);
    footer_->setAccessibleName(footerLabelText());
}

QString PanelView::shownResultText(const Outcome& outcome) const {
    if (model_.concealed()) return hiddenResultText(text::characterCount(outcome.text));
    const std::string_view part = shownResultPart(outcome.text);
    QString shown = fromUtf8(part);
    showControlCharacters(shown);
    if (part.size() < outcome.text.size()) {
        shown += QStringLiteral("\n\n") + partlyShownNote(part.size(), outcome.text.size());
    }
    return shown;
}

void PanelView::updateReading() {
    const PanelModel::Reading reading = model_.reading();
    const bool waiting = reading != PanelModel::Reading::done;
    readingLabel_->setText(reading == PanelModel::Reading::notAnswering ? notAnsweringText()
                           : reading == PanelModel::Reading::tooLarge   ? tooLargeText()
                                                                        : readingText());
    readingRow_->setVisible(waiting);
    if (waiting) emptyRow_->setVisible(false);
    else emptyRow_->setVisible(model_.actions().empty());
}

void PanelView::updateOutcome() {
    const std::optional<Outcome>& outcome = model_.outcome();
    ResultEditor* editor = resultBox_->editor();
    if (!outcome) {
        resultBox_->hide();
        // Let go of a large result at once.
        if (!editor->document()->isEmpty()) editor->clear();
        return;
    }
    const QFont font = outcome->mono ? monospacedFontAt(12.5) : systemFontAt(14);
    editor->setFont(font);
    editor->document()->setDefaultFont(font);
    setTextColor(editor, outcome->isError ? colors_.red : colors_.primary);
    const QString text = shownResultText(*outcome);
    const int width = contentWidth() - 2 * ResultBox::kPadding;
    resultHeight_ = measureResult(text, font, width);
    naturalAreaHeight_ = std::clamp(static_cast<int>(std::ceil(resultHeight_)), kMinResultHeight,
                                    kMaxResultHeight);
    resultBox_->setAreaHeight(naturalAreaHeight_);
    editor->setResultText(text);
    resultBox_->setVisible(!model_.actions().empty());
    announceResult(editor, outcome->isError);
}

double PanelView::measureResult(const QString& text, const QFont& font, int width) const {
    const QFontMetricsF metrics(font);
    const qsizetype lineEnds = text.count(QLatin1Char('\n'));
    const double lowerBound = static_cast<double>(lineEnds + 1) * metrics.height();
    if (text.size() > kMeasureLimit || lowerBound > kMaxResultHeight) {
        return std::max(lowerBound, static_cast<double>(kMaxResultHeight + 1));
    }
    // Lay the text out as the result editor will: one paragraph per line end, wrapping at word
    // boundaries or anywhere; one pixel is kept back for the text cursor, and the editor wants
    // one more below the last line before it stops offering to scroll.
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const qreal lineWidth = std::max(1, width - 2);
    double height = 0;
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start <= size) {
        qsizetype end = start;
        while (end < size && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r') &&
               text[end] != QChar::ParagraphSeparator) {
            ++end;
        }
        QTextLayout layout(text.mid(start, end - start), font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLeadingIncluded(true);
            line.setLineWidth(lineWidth);
            height += line.height();
        }
        layout.endLayout();
        if (end >= size) break;
        start = end + 1;
        if (text[end] == QLatin1Char('\r') && start < size && text[start] == QLatin1Char('\n')) {
            ++start;
        }
    }
    return height + 1;
}

void PanelView::relayout() {
    const int content = contentWidth();
    const bool empty = model_.actions().empty();
    const bool result = !empty && model_.outcome().has_value();
    // While the text is on its way (or its owner does not answer) a message of its own stands in
    // for the empty state.
    QWidget* const message =
        model_.reading() != PanelModel::Reading::done ? readingRow_ : emptyRow_;
    const int emptyHeight = empty ? message->heightForWidth(content) : 0;
    const int headerHeight = empty ? 0 : header_->sizeHint().height();
    const int previewHeight = empty ? 0 : preview_->heightForWidth(content);
    const int pillsNatural = empty ? 0 : pillsLayout_->heightForWidth(content);
    const int footerHeight = footer_->heightForWidth(content);
    // The busy box stands where the result will be; the two never show together.
    const bool busy = !empty && showsBusy();
    const int busyHeight = busy ? busyBox_->sizeHint().height() : 0;
    int area = naturalAreaHeight_;
    int pillsHeight = pillsNatural;
    const int parts = empty ? 2 : (result || busy ? 5 : 4);
    auto total = [&] {
        return 2 * kPadding + (parts - 1) * kSpacing + emptyHeight + headerHeight + previewHeight +
               pillsHeight + (result ? area + 2 * ResultBox::kPadding : 0) + busyHeight + footerHeight;
    };
    // Too tall for the screen: the result's scroll area gives way first, since it scrolls
    // anyway; then the pills, which scroll in whole rows, keeping at least one in view.
    const auto shrink = [&](int& height, int floor) {
        if (total() > maxHeight_) height = std::max(std::min(floor, height), height - (total() - maxHeight_));
    };
    if (result) shrink(area, kMinResultHeight);
    if (!empty && !pills_.isEmpty()) {
        const int row = pills_.first()->sizeHint().height();
        shrink(pillsHeight, row);
        if (pillsHeight < pillsNatural) {
            // No row cut in half at the bottom edge.
            const int rows = std::max(1, (pillsHeight + kFlowSpacing) / (row + kFlowSpacing));
            pillsHeight = rows * (row + kFlowSpacing) - kFlowSpacing;
            // What the half row would have taken goes back to the result.
            if (result) area = std::min(naturalAreaHeight_, area + std::max(0, maxHeight_ - total()));
        }
    }
    resultBox_->setAreaHeight(area);
    // With a scroll bar the pills wrap in the width that is left beside it.
    const int pillsWidth = pillsHeight < pillsNatural
                               ? content - pillsScroll_->verticalScrollBar()->sizeHint().width()
                               : content;
    pillsBox_->setFixedSize(pillsWidth, pillsLayout_->heightForWidth(pillsWidth));
    pillsLayout_->setGeometry(pillsBox_->rect());

    int y = kPadding;
    auto place = [&](QWidget* widget, int height) {
        widget->setGeometry(kPadding, y, content, height);
        y += height + kSpacing;
    };
    if (empty) {
        place(message, emptyHeight);
    } else {
        place(header_, headerHeight);
        place(preview_, previewHeight);
        place(pillsScroll_, pillsHeight);
        if (result) place(resultBox_, area + 2 * ResultBox::kPadding);
        if (busy) place(busyBox_, busyHeight);
    }
    place(footer_, footerHeight);
    naturalHeight_ = y - kSpacing + kPadding;
    updateGeometry();
    update();
}

void PanelView::setBusy(bool shown, int seconds) {
    const QString text = workingText(seconds);
    if (shown == busyShown_ && text == busyBox_->text()) return;
    busyShown_ = shown;
    busyBox_->setText(text);
    busyDirty_ = true;
    sync();
}

void PanelView::releaseDocuments() {
    busyShown_ = false;
    busyDirty_ = true;
    // With the model emptied, this drops the pills and the result's document.
    sync();
}

QSize PanelView::sizeHint() const {
    return QSize(width_, naturalHeight_);
}

void PanelView::setTranslucentBackground(bool translucent) {
    translucent_ = translucent;
    applyColors();
}

void PanelView::applyColors() {
    colors_ = PanelColors::fromPalette(palette(), translucent_);
    emptyIcon_->setColor(colors_.secondary);
    setTextColor(emptyLabel_, colors_.primary);
    readingIcon_->setColor(colors_.secondary);
    setTextColor(readingLabel_, colors_.primary);
    header_->setColors(colors_.primary, colors_.secondary);
    preview_->setColors(colors_.secondary, colors_.primaryAt(0.05));
    for (PillButton* pill : pills_) pill->setColors(colors_.primary, colors_.accent);
    resultBox_->setFill(colors_.primaryAt(0.06));
    busyBox_->setColors(colors_.secondary, colors_.primaryAt(0.06));
    const std::optional<Outcome>& outcome = model_.outcome();
    setTextColor(resultBox_->editor(), outcome && outcome->isError ? colors_.red : colors_.primary);
    setTextColor(footer_, colors_.secondary);
    update();
}

void PanelView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        applyColors();
    }
}

void PanelView::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    announceFocus(showsResult() ? static_cast<QWidget*>(resultBox_->editor()) : pills_.value(model_.selected()));
}

void PanelView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    update();
}

void PanelView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal radius = 18;
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), radius, radius);
    painter.fillPath(shape, colors_.material);
    // The border lies inside the edge.
    QPainterPath border;
    border.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5,
                          radius - 0.5);
    painter.setPen(QPen(colors_.primaryAt(0.12), 1));
    painter.drawPath(border);
}

bool PanelView::showsEmptyState() const {
    return model_.actions().empty() && model_.reading() == PanelModel::Reading::done;
}

bool PanelView::showsReadingState() const {
    return model_.reading() != PanelModel::Reading::done;
}

QString PanelView::readingStateLabelText() const {
    return readingLabel_->text();
}

bool PanelView::showsResult() const {
    return !model_.actions().empty() && model_.outcome().has_value() && !resultBox_->isHidden();
}

bool PanelView::showsBusy() const {
    return busyShown_ && model_.busy() && !model_.outcome() && !model_.actions().empty();
}

QString PanelView::busyLabelText() const {
    return busyBox_->text();
}

QString PanelView::headerLabelText() const {
    return header_->label();
}

QString PanelView::characterCountLabelText() const {
    return header_->count();
}

QString PanelView::previewLabelText() const {
    return preview_->text();
}

QString PanelView::footerLabelText() const {
    QString text = footer_->text();
    return text.replace(QChar::Nbsp, QLatin1Char(' '));
}

void PanelView::setShortcutText(const QString& shortcut) {
    emptyLabel_->setText(emptyStateText(shortcut));
    updateGeometry();
}

QString PanelView::emptyStateLabelText() const {
    return emptyLabel_->text();
}

int PanelView::pillCount() const {
    return static_cast<int>(pills_.size());
}

QWidget* PanelView::pill(int index) const {
    return index >= 0 && index < pills_.size() ? pills_[index] : nullptr;
}

bool PanelView::pillSelected(int index) const {
    return index >= 0 && index < pills_.size() && pills_[index]->isSelected();
}

ResultEditor* PanelView::resultText() const {
    return resultBox_->editor();
}

int PanelView::resultAreaHeight() const {
    return resultBox_->areaHeight();
}

QColor PanelView::resultColor() const {
    return resultBox_->editor()->palette().color(QPalette::Text);
}

bool PanelView::resultMono() const {
    return QFontInfo(resultBox_->editor()->font()).fixedPitch();
}

}  // namespace tavlets
