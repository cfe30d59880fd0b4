#pragma once
// A layout that places its items left to right and wraps them like words in a paragraph. All
// geometry comes from tavlets::arrange; items keep their size hints.

#include <QLayout>
#include <QList>

#include <tavlets/flow.hpp>

namespace tavlets {

class FlowLayout : public QLayout {
    Q_OBJECT
public:
    explicit FlowLayout(QWidget* parent = nullptr, int spacing = 8);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;

    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

    int flowSpacing() const { return spacing_; }

private:
    // The arrangement for an outer width (infinite when negative), margins excluded.
    FlowArrangement arrangeFor(double contentWidth) const;

    QList<QLayoutItem*> items_;
    int spacing_;
};

}  // namespace tavlets
