#pragma once
// The key recorder of the Settings window: shows the current shortcut; clicked, it takes the next
// key combination. Escape cancels; a key without Ctrl, Alt or Meta is refused with a reason.

#include <QKeyCombination>
#include <QPushButton>

namespace tavlets {

class ShortcutRecorder : public QPushButton {
    Q_OBJECT
public:
    explicit ShortcutRecorder(QWidget* parent = nullptr);

    void setShortcutName(const QString& name);
    bool isRecording() const { return recording_; }
    void startRecording();
    void cancelRecording();

signals:
    void recorded(QKeyCombination combination);
    void refused(const QString& reason);
    void started();
    void cancelled();  // Escape

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void stopRecording();

    QString name_;
    bool recording_ = false;
};

}  // namespace tavlets
