#include "panel/panel_view.hpp"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

#include "panel/busy_box.hpp"
#include "panel/flow_layout.hpp"
#include "panel/panel_parts.hpp"
#include "panel/panel_text.hpp"

namespace tavlets {
namespace {

constexpr int kFlowSpacing = 8;
// Above these sizes a result is certainly taller than the scroll area, so it is not laid out
// just to learn its height (a 10 MB result would take seconds).
constexpr qsizetype kMeasureLimit = 20000;

QString fromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

PanelColors PanelColors::fromPalette(const QPalette& palette, bool translucent) {
    PanelColors colors;
    const QColor window = palette.color(QPalette::Active, QPalette::Window);
    colors.dark = window.lightness() < 128;
    colors.primary = palette.color(QPalette::Active, QPalette::WindowText);
    colors.secondary = colors.primary;
    colors.secondary.setAlphaF(colors.dark ? 0.55f : 0.5f);
    colors.accent = palette.color(QPalette::Active, QPalette::Highlight);
    colors.red = colors.dark ? QColor(255, 69, 58) : QColor(255, 59, 48);
    colors.material = window;
    // Without blur behind it, a light veil keeps the panel readable over anything.
    if (translucent) colors.material.setAlphaF(0.96f);
    return colors;
}

QColor PanelColors::primaryAt(qreal opacity) const {
    QColor color = primary;
    color.setAlphaF(static_cast<float>(opacity));
    return color;
}

PanelView::PanelView(PanelModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::StrongFocus);
    setFixedWidth(kWidth);

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

    header_ = new HeaderRow(this);
    preview_ = new PreviewBox(this);

    pillsBox_ = new QWidget(this);
    pillsLayout_ = new FlowLayout(pillsBox_, kFlowSpacing);

    resultBox_ = new ResultBox(this);
    busyBox_ = new BusyBox(this);
    busyBox_->hide();

    footer_ = new QLabel(this);
    footer_->setFont(textStyle::caption());
    footer_->setTextFormat(Qt::PlainText);

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
        case PanelModel::Field::busy: busyDirty_ = true; break;
    }
}

void PanelView::sync() {
    const bool changed = textDirty_ || analysisDirty_ || actionsDirty_ || selectedDirty_ ||
                         outcomeDirty_ || busyDirty_;
    if (!changed) return;
    if (actionsDirty_) rebuildPills();
    if (actionsDirty_ || selectedDirty_) updateSelection();
    if (textDirty_) updateText();
    if (analysisDirty_) header_->setLabel(fromUtf8(model_.analysis().label()));
    if (outcomeDirty_ || actionsDirty_) updateOutcome();
    if (busyDirty_ || outcomeDirty_ || actionsDirty_) {
        // Each run earns its busy box anew.
        if (!model_.busy()) busyShown_ = false;
        busyBox_->setVisible(showsBusy());
        if (showsBusy()) footer_->setText(busyFooterText());
        else if (busyDirty_) footer_->setText(footerText(model_.outcome()));
    }
    textDirty_ = analysisDirty_ = actionsDirty_ = selectedDirty_ = outcomeDirty_ = busyDirty_ = false;
    relayout();
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
    pillsBox_->setVisible(!empty);
}

void PanelView::updateSelection() {
    const int selected = model_.selected();
    for (qsizetype i = 0; i < pills_.size(); ++i) pills_[i]->setSelected(i == selected);
}

void PanelView::updateText() {
    const std::string& text = model_.text();
    header_->setCount(characterCountText(text));
    preview_->setText(fromUtf8(previewText(text)));
}

void PanelView::updateOutcome() {
    const std::optional<Outcome>& outcome = model_.outcome();
    footer_->setText(footerText(outcome));
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
    const QString text = fromUtf8(outcome->text);
    const int width = kContentWidth - 2 * ResultBox::kPadding;
    resultHeight_ = measureResult(text, font, width);
    const int area = std::clamp(static_cast<int>(std::ceil(resultHeight_)), kMinResultHeight,
                                kMaxResultHeight);
    resultBox_->setAreaHeight(area);
    editor->setResultText(text);
    resultBox_->setVisible(!model_.actions().empty());
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
    int y = kPadding;
    auto place = [&](QWidget* widget, int height) {
        widget->setGeometry(kPadding, y, kContentWidth, height);
        y += height + kSpacing;
    };
    if (model_.actions().empty()) {
        place(emptyRow_, emptyRow_->heightForWidth(kContentWidth));
    } else {
        place(header_, header_->sizeHint().height());
        place(preview_, preview_->heightForWidth(kContentWidth));
        place(pillsBox_, pillsLayout_->heightForWidth(kContentWidth));
        if (model_.outcome()) place(resultBox_, resultBox_->areaHeight() + 2 * ResultBox::kPadding);
        if (showsBusy()) place(busyBox_, busyBox_->sizeHint().height());
    }
    place(footer_, footer_->sizeHint().height());
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
    return QSize(kWidth, naturalHeight_);
}

void PanelView::setTranslucentBackground(bool translucent) {
    translucent_ = translucent;
    applyColors();
}

void PanelView::applyColors() {
    colors_ = PanelColors::fromPalette(palette(), translucent_);
    emptyIcon_->setColor(colors_.secondary);
    setTextColor(emptyLabel_, colors_.primary);
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
    return model_.actions().empty();
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
    return footer_->text();
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
