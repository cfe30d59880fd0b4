#pragma once
// The small widgets the panel view is made of.

#include <QColor>
#include <QFont>
#include <QPlainTextEdit>
#include <QString>
#include <QWidget>

class QLabel;
class QPainter;

namespace tavlets {

// Fonts by size in logical pixels (the sizes the design is drawn in), so the panel keeps its
// proportions whatever the desktop's font size; the desktop's DPI setting still scales them.
QFont systemFontAt(qreal pixels, QFont::Weight weight = QFont::Normal);
QFont monospacedFontAt(qreal pixels);
// `preferred` if the font system gives it a fixed-pitch face, else the same size in the first
// known monospaced family that has one. Some platform themes name a proportional font as the
// fixed one, which puts the syntax-error caret under the wrong character.
QFont fixedPitchFont(const QFont& preferred);

// Sets the colour a label or text editor draws its text in.
void setTextColor(QWidget* widget, const QColor& color);
// Fills the whole widget as a rounded box, for the boxes that sit inside the panel.
void fillRoundedBox(QPainter& painter, const QWidget& widget, const QColor& fill, qreal radius);
// WCAG contrast ratio of two opaque colours, from 1 (none) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);

namespace textStyle {
QFont title2();
QFont title3();
QFont headline();
QFont caption();
}  // namespace textStyle

class SymbolLabel : public QWidget {
    Q_OBJECT
public:
    SymbolLabel(QString name, int size, QWidget* parent = nullptr);
    void setColor(const QColor& color);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString name_;
    int size_;
    QColor color_;
};

class HeaderRow : public QWidget {
    Q_OBJECT
public:
    explicit HeaderRow(QWidget* parent = nullptr);
    void setLabel(const QString& text);
    void setCount(const QString& text);
    void setColors(const QColor& primary, const QColor& secondary);
    QString label() const;
    QString count() const;

private:
    SymbolLabel* icon_;
    QLabel* label_;
    QLabel* count_;
};

// The first lines of the clipboard text: at most two lines, the second cut with an ellipsis.
class PreviewBox : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPadding = 8;
    static constexpr int kRadius = 8;
    static constexpr int kMaxLines = 2;

    explicit PreviewBox(QWidget* parent = nullptr);
    void setText(const QString& text);
    QString text() const { return text_; }
    void setColors(const QColor& text, const QColor& fill);
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    // The lines as drawn at a given width (at most two; the last one elided if text remains).
    QStringList visibleLines(int width) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QColor textColor_;
    QColor fill_;
};

class PillButton : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHorizontalPadding = 12;
    static constexpr int kVerticalPadding = 7;
    static constexpr int kGap = 6;
    static constexpr int kSymbolSize = 13;

    PillButton(int index, QString title, QString symbol, QWidget* parent = nullptr);
    void setSelected(bool selected);
    bool isSelected() const { return selected_; }
    void setColors(const QColor& primary, const QColor& accent);
    QString title() const { return title_; }
    // Runs the pill's action, as a click does (for assistive technology).
    void activate() { emit clicked(index_); }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void clicked(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int index_;
    QString title_;
    QString symbol_;
    bool selected_ = false;
    bool pressed_ = false;
    QColor primary_;
    QColor accent_;
};

// A read-only, selectable text view for results of any size. Laying out one paragraph of
// megabytes takes seconds, and a million paragraphs take seconds to build, so a line longer than
// kChunk characters is shown as several paragraphs and a large result's short lines share
// paragraphs. Copying a selection undoes both, so the copied text is the result's own.
class ResultEditor : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr qsizetype kChunk = 4096;
    static constexpr qsizetype kPackAbove = 16384;

    explicit ResultEditor(QWidget* parent = nullptr);
    void setResultText(const QString& text);
    // The selected part of the result, as in the result (display-only breaks removed).
    QString selectedResultText() const;

protected:
    QMimeData* createMimeDataFromSelection() const override;

private:
    bool packed_ = false;
};

// The result: a read-only, selectable text in a scroll area of a given height, on a tinted
// rounded background.
class ResultBox : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPadding = 10;
    static constexpr int kRadius = 10;

    explicit ResultBox(QWidget* parent = nullptr);
    ResultEditor* editor() const { return editor_; }
    void setAreaHeight(int height);
    int areaHeight() const { return areaHeight_; }
    void setFill(const QColor& fill);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    ResultEditor* editor_;
    int areaHeight_ = 40;
    QColor fill_;
};

}  // namespace tavlets
