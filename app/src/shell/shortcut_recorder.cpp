#include "shell/shortcut_recorder.hpp"

#include "shell/shortcut_settings.hpp"

#include <QKeyEvent>

namespace tavlets {
namespace {

constexpr Qt::KeyboardModifiers kRecorded =
    Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier;

}  // namespace

ShortcutRecorder::ShortcutRecorder(QWidget* parent) : QPushButton(parent) {
    setObjectName(QStringLiteral("shortcutRecorder"));
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QPushButton::clicked, this, [this] {
        if (!recording_) startRecording();
    });
}

void ShortcutRecorder::setShortcutName(const QString& name) {
    name_ = name;
    if (!recording_) setText(name_);
    setAccessibleName(QStringLiteral("Shortcut: %1. Press to record another.").arg(name_));
}

void ShortcutRecorder::startRecording() {
    recording_ = true;
    setDown(true);
    setText(QStringLiteral("Press the new shortcut\u2026"));
    setFocus(Qt::OtherFocusReason);
    // The whole keyboard, so that combinations the desktop or this app holds reach the recorder too.
    grabKeyboard();
    emit started();
}

void ShortcutRecorder::cancelRecording() {
    if (recording_) stopRecording();
}

void ShortcutRecorder::stopRecording() {
    recording_ = false;
    releaseKeyboard();
    setDown(false);
    setText(name_);
}

bool ShortcutRecorder::event(QEvent* event) {
    // While recording, every key is the recorder's, also the window's own shortcuts.
    if (recording_ && event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return QPushButton::event(event);
}

void ShortcutRecorder::keyPressEvent(QKeyEvent* event) {
    if (!recording_) {
        QPushButton::keyPressEvent(event);
        return;
    }
    event->accept();
    const auto key = Qt::Key(event->key());
    const Qt::KeyboardModifiers modifiers = event->modifiers() & kRecorded;
    if (key == Qt::Key_Escape && !modifiers) {
        stopRecording();
        emit cancelled();
        return;
    }
    if (key == 0 || key == Qt::Key_unknown) return;
    if (isModifierOnly(key)) {
        // Show what is held so far.
        QString held;
        if (modifiers & Qt::ControlModifier) held += QStringLiteral("Ctrl+");
        if (modifiers & Qt::AltModifier) held += QStringLiteral("Alt+");
        if (modifiers & Qt::ShiftModifier) held += QStringLiteral("Shift+");
        if (modifiers & Qt::MetaModifier) held += QStringLiteral("Meta+");
        setText(held.isEmpty() ? QStringLiteral("Press the new shortcut\u2026") : held + QStringLiteral("\u2026"));
        return;
    }
    const QKeyCombination combination(modifiers, key);
    if (const auto reason = recorderRefusal(combination)) {
        stopRecording();
        emit refused(*reason);
        return;
    }
    stopRecording();
    emit recorded(combination);
}

void ShortcutRecorder::keyReleaseEvent(QKeyEvent* event) {
    if (recording_) {
        event->accept();
        return;
    }
    QPushButton::keyReleaseEvent(event);
}

void ShortcutRecorder::focusOutEvent(QFocusEvent* event) {
    if (recording_ && !hasFocus()) stopRecording();
    QPushButton::focusOutEvent(event);
}

}  // namespace tavlets
