#include "panel/qt_clipboard.hpp"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace tavlets {

std::optional<std::string> QtClipboard::readText() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return std::nullopt;
    const QMimeData* data = clipboard->mimeData(QClipboard::Clipboard);
    // Only plain text counts: rich or binary contents read as "no text".
    if (!data || !data->hasText()) return std::nullopt;
    const QString text = data->text();
    if (text.isEmpty()) return std::nullopt;
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

void QtClipboard::writeText(const std::string& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return;
    // setText replaces every format on the clipboard with this one text.
    clipboard->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                       QClipboard::Clipboard);
}

}  // namespace tavlets
