#include "panel/panel_accessibility.hpp"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>

#include "panel/panel_parts.hpp"
#include "panel/panel_view.hpp"

namespace tavlets {
namespace {

bool panelActive(const QWidget* widget) {
    return widget && widget->isVisible() && widget->window()->isActiveWindow();
}

class PillAccessible : public QAccessibleWidget {
public:
    explicit PillAccessible(PillButton* pill) : QAccessibleWidget(pill, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return pill()->title();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.focusable = true;
        s.selectable = true;
        s.selected = pill()->isSelected();
        s.focused = s.selected && panelActive(pill());
        return s;
    }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString& name) override {
        if (name == pressAction()) pill()->activate();
    }

private:
    PillButton* pill() const { return static_cast<PillButton*>(object()); }
};

class PreviewAccessible : public QAccessibleWidget {
public:
    explicit PreviewAccessible(PreviewBox* preview) : QAccessibleWidget(preview, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return static_cast<PreviewBox*>(object())->text();
        if (t == QAccessible::Description) return QStringLiteral("Clipboard preview");
        return QAccessibleWidget::text(t);
    }
};

// The view holds the keyboard focus, but the focus it reports is the selected pill's.
class ViewAccessible : public QAccessibleWidget {
public:
    explicit ViewAccessible(PanelView* view) : QAccessibleWidget(view, QAccessible::Pane) {}

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (selectedPill()) s.focused = false;
        return s;
    }

    QAccessibleInterface* focusChild() const override {
        if (QWidget* pill = selectedPill()) return QAccessible::queryAccessibleInterface(pill);
        return QAccessibleWidget::focusChild();
    }

private:
    QWidget* selectedPill() const {
        const auto* view = static_cast<PanelView*>(object());
        for (int i = 0; i < view->pillCount(); ++i) {
            if (view->pillSelected(i)) return view->pill(i);
        }
        return nullptr;
    }
};

QAccessibleInterface* panelInterfaces(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    if (className == QLatin1String("tavlets::PillButton")) return new PillAccessible(static_cast<PillButton*>(object));
    if (className == QLatin1String("tavlets::PreviewBox")) return new PreviewAccessible(static_cast<PreviewBox*>(object));
    if (className == QLatin1String("tavlets::PanelView")) return new ViewAccessible(static_cast<PanelView*>(object));
    if (className == QLatin1String("tavlets::FloatingPanel")) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    }
    return nullptr;
}

void sendFocus(QWidget* target) {
    if (!QAccessible::isActive() || !panelActive(target)) return;
    QAccessibleEvent focus(target, QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}

}  // namespace

void installPanelAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(panelInterfaces);
        return true;
    }();
    (void)installed;
}

void announceSelection(PillButton* before, PillButton* now) {
    if (!QAccessible::isActive() || before == now) return;
    QAccessible::State selected;
    selected.selected = true;
    selected.focused = true;
    for (PillButton* pill : {before, now}) {
        if (!pill || !pill->isVisible()) continue;
        QAccessibleStateChangeEvent change(pill, selected);
        QAccessible::updateAccessibility(&change);
    }
    sendFocus(now);
}

void announceResult(QWidget* editor, bool isError) {
    if (!editor) return;
    editor->setAccessibleName(isError ? QStringLiteral("Error") : QStringLiteral("Result"));
    sendFocus(editor);
}

void announceFocus(QWidget* target) {
    // After the focus event of the view itself, which Qt sends once the focus change is done.
    if (!target) return;
    QPointer<QWidget> guarded(target);
    QMetaObject::invokeMethod(
        target, [guarded] { sendFocus(guarded); }, Qt::QueuedConnection);
}

}  // namespace tavlets
