#pragma once
// Everything drawn inside the panel: the header, the preview, one pill per action, the result
// and the keyboard hint, or the empty state. Drawn from the model; the controller tells it what
// changed and when to catch up.

#include <QColor>
#include <QList>
#include <QString>
#include <QWidget>

#include <tavlets/panel_model.hpp>

class QLabel;
class QPlainTextEdit;
class QScrollArea;

namespace tavlets {

class BusyBox;
class FlowLayout;
class HeaderRow;
class PillButton;
class PreviewBox;
class ResultBox;
class ResultEditor;
class SymbolLabel;

// The colours of the panel, taken from the desktop's palette (light or dark).
struct PanelColors {
    QColor primary;
    QColor secondary;
    QColor accent;
    QColor red;
    QColor material;
    bool dark = false;

    static PanelColors fromPalette(const QPalette& palette, bool translucent);
    // primary at the given opacity
    QColor primaryAt(qreal opacity) const;
};

class PanelView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 680;
    static constexpr int kPadding = 16;
    static constexpr int kSpacing = 12;
    static constexpr int kContentWidth = kWidth - 2 * kPadding;
    static constexpr int kMinResultHeight = 20;
    static constexpr int kMaxResultHeight = 280;
    // The narrowest the view gets, however small the screen.
    static constexpr int kMinWidth = 240;

    explicit PanelView(PanelModel& model, QWidget* parent = nullptr);
    ~PanelView() override;

    // A published field of the model is about to change; `sync` will pick it up.
    void markChanged(PanelModel::Field field);
    // Brings every changed part up to date with the model and lays the view out. Cheap when
    // nothing changed.
    void sync();

    // Width 680, height the sum of the parts; both within the limits below.
    QSize sizeHint() const override;

    // Whether the busy box stands in for the result while the model is busy, and the whole seconds
    // the run has taken. The controller shows it only once a run has taken a moment.
    void setBusy(bool shown, int seconds);
    // Lets go of the result's document and other large buffers (the panel is put away).
    void releaseDocuments();
    // The room the screen leaves: the view narrows to `maxWidth` (never more than 680) and, when
    // taller than `maxHeight`, gives up height from the result's scroll area first, then from
    // the pills, which then scroll.
    void setLimits(int maxWidth, int maxHeight);
    int contentWidth() const { return width_ - 2 * kPadding; }

    void setTranslucentBackground(bool translucent);
    // The shortcut the empty state names; empty when no shortcut opens the panel.
    void setShortcutText(const QString& shortcut);
    const PanelColors& colors() const { return colors_; }

    // What is on show, for tests and the screenshot driver.
    bool showsEmptyState() const;
    // The clipboard is being read, or its owner did not answer: a message in place of the content.
    bool showsReadingState() const;
    QString readingStateLabelText() const;
    bool showsResult() const;
    bool showsBusy() const;
    QString busyLabelText() const;
    QString headerLabelText() const;
    QString characterCountLabelText() const;
    QString previewLabelText() const;
    QString footerLabelText() const;
    QString emptyStateLabelText() const;
    int pillCount() const;
    QWidget* pill(int index) const;
    bool pillSelected(int index) const;
    ResultEditor* resultText() const;
    // The measured height of the last result text, and the height of its scroll area.
    double resultHeight() const { return resultHeight_; }
    int resultAreaHeight() const;
    QColor resultColor() const;
    bool resultMono() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void applyColors();
    void rebuildPills();
    void updateSelection();
    void updateText();
    void updateReading();
    void updateOutcome();
    void updateFooter();
    // The result as shown: hidden when made from a password, only its start when huge, with
    // control characters made visible.
    QString shownResultText(const Outcome& outcome) const;
    void relayout();
    void revealSelectedPill();
    double measureResult(const QString& text, const QFont& font, int width) const;

    PanelModel& model_;
    bool translucent_ = true;
    PanelColors colors_;

    bool textDirty_ = true;
    bool analysisDirty_ = true;
    bool actionsDirty_ = true;
    bool selectedDirty_ = true;
    bool outcomeDirty_ = true;
    bool readingDirty_ = true;
    bool busyDirty_ = true;

    QWidget* emptyRow_ = nullptr;
    SymbolLabel* emptyIcon_ = nullptr;
    QLabel* emptyLabel_ = nullptr;
    QWidget* readingRow_ = nullptr;
    SymbolLabel* readingIcon_ = nullptr;
    QLabel* readingLabel_ = nullptr;
    HeaderRow* header_ = nullptr;
    PreviewBox* preview_ = nullptr;
    QWidget* pillsBox_ = nullptr;
    QScrollArea* pillsScroll_ = nullptr;
    FlowLayout* pillsLayout_ = nullptr;
    QList<PillButton*> pills_;
    ResultBox* resultBox_ = nullptr;
    BusyBox* busyBox_ = nullptr;
    bool busyShown_ = false;
    QLabel* footer_ = nullptr;

    double resultHeight_ = 40;
    int naturalHeight_ = 0;
    int width_ = kWidth;
    int maxHeight_ = QWIDGETSIZE_MAX;
    // The result's scroll area height before any shrinking to fit the screen.
    int naturalAreaHeight_ = 40;
};

}  // namespace tavlets
