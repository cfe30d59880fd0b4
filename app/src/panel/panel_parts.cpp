#include "panel/panel_parts.hpp"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <vector>

#include "panel/symbols.hpp"

namespace tavlets {
namespace {

double relativeLuminance(const QColor& color) {
    const auto channel = [](float c) {
        return c <= 0.03928f ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = color.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

}  // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QFont systemFontAt(qreal pixels, QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    // 96 logical DPI is one pixel per 0.75 point.
    font.setPointSizeF(pixels * 0.75);
    font.setWeight(weight);
    return font;
}

QFont fixedPitchFont(const QFont& preferred) {
    if (QFontInfo(preferred).fixedPitch()) return preferred;
    static const char* const kKnownFamilies[] = {"DejaVu Sans Mono", "Liberation Mono", "Noto Sans Mono",
                                                 "Ubuntu Mono", "Cousine", "Monospace"};
    for (const char* family : kKnownFamilies) {
        QFont font = preferred;
        font.setFamilies({QString::fromLatin1(family)});
        font.setStyleHint(QFont::Monospace);
        font.setFixedPitch(true);
        if (QFontInfo(font).fixedPitch()) return font;
    }
    // Nothing known is installed; let the font system pick by the hint.
    QFont font = preferred;
    font.setFamilies({});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

QFont monospacedFontAt(qreal pixels) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    font.setPointSizeF(pixels * 0.75);
    return fixedPitchFont(font);
}

namespace textStyle {
QFont title2() { return systemFontAt(17); }
QFont title3() { return systemFontAt(15); }
QFont headline() { return systemFontAt(13, QFont::DemiBold); }
QFont caption() { return systemFontAt(11); }
}  // namespace textStyle

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

void fillRoundedBox(QPainter& painter, const QWidget& widget, const QColor& fill, qreal radius) {
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(widget.rect()), radius, radius);
    painter.fillPath(shape, fill);
}

// ---- SymbolLabel ----

SymbolLabel::SymbolLabel(QString name, int size, QWidget* parent)
    : QWidget(parent), name_(std::move(name)), size_(size) {
    setFixedSize(size_, size_);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SymbolLabel::setColor(const QColor& color) {
    color_ = color;
    update();
}

QSize SymbolLabel::sizeHint() const {
    return QSize(size_, size_);
}

void SymbolLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintSymbol(painter, name_, QRectF(rect()), color_);
}

// ---- HeaderRow ----

HeaderRow::HeaderRow(QWidget* parent)
    : QWidget(parent),
      icon_(new SymbolLabel(QStringLiteral("paperclip"), 15, this)),
      label_(new QLabel(this)),
      count_(new QLabel(this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    label_->setFont(textStyle::headline());
    count_->setFont(textStyle::caption());
    label_->setTextFormat(Qt::PlainText);
    count_->setTextFormat(Qt::PlainText);
    row->addWidget(icon_, 0, Qt::AlignVCenter);
    row->addWidget(label_, 0, Qt::AlignVCenter);
    row->addStretch(1);
    row->addWidget(count_, 0, Qt::AlignVCenter);
}

void HeaderRow::setLabel(const QString& text) {
    label_->setText(text);
}

void HeaderRow::setCount(const QString& text) {
    count_->setText(text);
}

void HeaderRow::setColors(const QColor& primary, const QColor& secondary) {
    icon_->setColor(secondary);
    setTextColor(label_, primary);
    setTextColor(count_, secondary);
}

QString HeaderRow::label() const {
    return label_->text();
}

QString HeaderRow::count() const {
    return count_->text();
}

// ---- PreviewBox ----

PreviewBox::PreviewBox(QWidget* parent) : QWidget(parent) {
    setFont(monospacedFontAt(12));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void PreviewBox::setText(const QString& text) {
    text_ = text;
    updateGeometry();
    update();
}

void PreviewBox::setColors(const QColor& text, const QColor& fill) {
    textColor_ = text;
    fill_ = fill;
    update();
}

QStringList PreviewBox::visibleLines(int width) const {
    const int lineWidth = std::max(1, width - 2 * kPadding);
    QString laidOut = text_;
    laidOut.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(laidOut, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList lines;
    int lastStart = 0;
    bool more = false;
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(lineWidth);
        if (lines.size() == kMaxLines) {
            more = true;
            break;
        }
        QString piece = laidOut.mid(line.textStart(), line.textLength());
        while (piece.endsWith(QChar::LineSeparator)) piece.chop(1);
        lines.append(piece);
        lastStart = line.textStart();
    }
    layout.endLayout();
    if (lines.isEmpty()) lines.append(QString());
    if (more) {
        // The second line shows as much of the rest as fits, then an ellipsis.
        QString rest = laidOut.mid(lastStart);
        const qsizetype separator = rest.indexOf(QChar::LineSeparator);
        if (separator >= 0) rest.truncate(separator);
        const QFontMetricsF metrics(font());
        const QString ellipsis(QChar(0x2026));
        if (metrics.horizontalAdvance(rest + ellipsis) <= lineWidth) {
            lines.last() = rest + ellipsis;
        } else {
            lines.last() = metrics.elidedText(rest + ellipsis, Qt::ElideRight, lineWidth);
        }
    }
    return lines;
}

int PreviewBox::heightForWidth(int width) const {
    const QFontMetrics metrics(font());
    const int lines = static_cast<int>(visibleLines(width).size());
    return 2 * kPadding + lines * metrics.lineSpacing();
}

QSize PreviewBox::sizeHint() const {
    const int width = std::max(this->width(), 100);
    return QSize(width, heightForWidth(width));
}

void PreviewBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    fillRoundedBox(painter, *this, fill_, kRadius);
    painter.setPen(textColor_);
    painter.setFont(font());
    const QFontMetrics metrics(font());
    int y = kPadding;
    for (const QString& line : visibleLines(width())) {
        painter.drawText(QRect(kPadding, y, width() - 2 * kPadding, metrics.lineSpacing()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line);
        y += metrics.lineSpacing();
    }
}

// ---- PillButton ----

PillButton::PillButton(int index, QString title, QString symbol, QWidget* parent)
    : QWidget(parent), index_(index), title_(std::move(title)), symbol_(std::move(symbol)) {
    setFont(systemFontAt(13, QFont::Medium));
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(title_);
}

void PillButton::setSelected(bool selected) {
    if (selected_ == selected) return;
    selected_ = selected;
    update();
}

void PillButton::setColors(const QColor& primary, const QColor& accent) {
    primary_ = primary;
    accent_ = accent;
    update();
}

QSize PillButton::sizeHint() const {
    const QFontMetrics metrics(font());
    const int textWidth = metrics.horizontalAdvance(title_);
    const int contentHeight = std::max(metrics.height(), kSymbolSize);
    return QSize(2 * kHorizontalPadding + kSymbolSize + kGap + textWidth,
                 2 * kVerticalPadding + contentHeight);
}

void PillButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect());
    QPainterPath capsule;
    capsule.addRoundedRect(box, box.height() / 2, box.height() / 2);
    QColor fill = selected_ ? accent_ : primary_;
    if (!selected_) fill.setAlphaF(0.09f);
    painter.fillPath(capsule, fill);

    const QColor content = selected_ ? QColor(Qt::white) : primary_;
    const qreal symbolTop = (box.height() - kSymbolSize) / 2;
    paintSymbol(painter, symbol_, QRectF(kHorizontalPadding, symbolTop, kSymbolSize, kSymbolSize),
                content);
    painter.setPen(content);
    painter.setFont(font());
    const int textLeft = kHorizontalPadding + kSymbolSize + kGap;
    painter.drawText(QRect(textLeft, 0, width() - textLeft, height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title_);
}

void PillButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void PillButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && pressed_) {
        pressed_ = false;
        event->accept();
        QPainterPath capsule;
        capsule.addRoundedRect(QRectF(rect()), height() / 2.0, height() / 2.0);
        if (capsule.contains(event->position())) emit clicked(index_);
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

// ---- ResultEditor ----

namespace {

// A block continued by the next one without a break of its own.
constexpr int kContinuedBlock = 1;

// The characters at which the text document starts a new paragraph.
bool endsParagraph(QChar c) {
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::ParagraphSeparator ||
           c == QChar(0xFDD0) || c == QChar(0xFDD1);
}

// Where to cut a long run ending at `limit`: after a space or punctuation near the limit if
// there is one, so the cut looks like an ordinary wrap, and never inside a surrogate pair or
// before a combining mark.
qsizetype cutBefore(const QString& text, qsizetype start, qsizetype limit) {
    for (qsizetype i = limit; i > limit - 256 && i > start + 1; --i) {
        const QChar c = text[i - 1];
        if (c.isSpace() || c == QLatin1Char(',') || c == QLatin1Char(';')) return i;
    }
    qsizetype cut = limit;
    while (cut > start + 1 &&
           (text[cut].isLowSurrogate() || text[cut].isMark() || text[cut] == QChar(0x200D))) {
        --cut;
    }
    return cut;
}

}  // namespace

ResultEditor::ResultEditor(QWidget* parent) : QPlainTextEdit(parent) {}

void ResultEditor::setResultText(const QString& text) {
    const qsizetype size = text.size();
    // A paragraph costs the document far more than a line inside one, so a large result packs
    // its short lines into paragraphs of about kChunk characters, joined by line separators
    // (unless the result has line separators of its own, which copying must keep).
    packed_ = size > kPackAbove && !text.contains(QChar::LineSeparator);
    QString shown;
    std::vector<int> continued;  // numbers of the paragraphs cut from a long line
    int block = 0;
    qsizetype blockLength = 0;
    qsizetype lineStart = 0;
    qsizetype copied = 0;  // text before this is in `shown`
    auto copyUpTo = [&](qsizetype end) {
        if (shown.isNull()) shown.reserve(size + size / kChunk + 16);
        shown.append(QStringView(text).mid(copied, end - copied));
        copied = end;
    };
    for (qsizetype i = 0; i <= size; ++i) {
        const bool atEnd = i == size;
        if (!atEnd && !endsParagraph(text[i])) continue;
        while (i - lineStart > kChunk) {
            const qsizetype cut = cutBefore(text, lineStart, lineStart + kChunk);
            copyUpTo(cut);
            shown.append(QLatin1Char('\n'));
            continued.push_back(block++);
            lineStart = cut;
            blockLength = 0;
        }
        if (atEnd) break;
        blockLength += i - lineStart + 1;
        const bool lineFeed = text[i] == QLatin1Char('\n');
        if (text[i] == QLatin1Char('\r') && i + 1 < size && text[i + 1] == QLatin1Char('\n')) ++i;
        if (packed_ && lineFeed && blockLength < kChunk) {
            copyUpTo(i);
            shown.append(QChar::LineSeparator);
            copied = i + 1;
        } else {
            ++block;
            blockLength = 0;
        }
        lineStart = i + 1;
    }
    if (shown.isNull()) {
        setPlainText(text);
        return;
    }
    copyUpTo(size);
    setPlainText(shown);
    for (int number : continued) document()->findBlockByNumber(number).setUserState(kContinuedBlock);
}

QString ResultEditor::selectedResultText() const {
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection()) return QString();
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    QString out;
    for (QTextBlock block = document()->findBlock(start); block.isValid() && block.position() <= end;
         block = block.next()) {
        const int blockStart = block.position();
        const int blockEnd = blockStart + block.length() - 1;  // before the paragraph break
        const int from = std::max(start, blockStart);
        const int to = std::min(end, blockEnd);
        if (to > from) out += block.text().mid(from - blockStart, to - from);
        if (end > blockEnd && block.next().isValid() && block.userState() != kContinuedBlock) {
            out += QLatin1Char('\n');
        }
    }
    if (packed_) out.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return out;
}

QMimeData* ResultEditor::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    data->setText(selectedResultText());
    return data;
}

// ---- ResultBox ----

ResultBox::ResultBox(QWidget* parent) : QWidget(parent), editor_(new ResultEditor(this)) {
    editor_->setReadOnly(true);
    editor_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    editor_->setFrameShape(QFrame::NoFrame);
    editor_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    editor_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    editor_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    editor_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    editor_->document()->setDocumentMargin(0);
    editor_->setUndoRedoEnabled(false);
    editor_->setContextMenuPolicy(Qt::DefaultContextMenu);
    editor_->setFocusPolicy(Qt::ClickFocus);
    editor_->viewport()->setAutoFillBackground(false);
    editor_->setAutoFillBackground(false);
    editor_->setBackgroundVisible(false);
    QPalette palette = editor_->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    editor_->setPalette(palette);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ResultBox::setAreaHeight(int height) {
    areaHeight_ = height;
    updateGeometry();
}

void ResultBox::setFill(const QColor& fill) {
    fill_ = fill;
    update();
}

QSize ResultBox::sizeHint() const {
    return QSize(std::max(width(), 100), areaHeight_ + 2 * kPadding);
}

void ResultBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    fillRoundedBox(painter, *this, fill_, kRadius);
}

void ResultBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    editor_->setGeometry(kPadding, kPadding, std::max(0, width() - 2 * kPadding), areaHeight_);
}

}  // namespace tavlets
