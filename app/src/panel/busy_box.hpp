#pragma once
// Shown in place of the result while an action takes its time: "Working…" and the seconds spent.

#include <QColor>
#include <QWidget>

class QLabel;

namespace tavlets {

class BusyBox : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPadding = 10;
    static constexpr int kRadius = 10;

    explicit BusyBox(QWidget* parent = nullptr);
    void setText(const QString& text);
    QString text() const;
    void setColors(const QColor& text, const QColor& fill);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* label_;
    QColor fill_;
};

}  // namespace tavlets
