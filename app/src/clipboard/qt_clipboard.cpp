#include "clipboard/qt_clipboard.hpp"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QStringList>

#include "clipboard/clipboard_formats.hpp"
#include "clipboard/x11_clipboard_reader.hpp"

namespace tavlets {
namespace {

std::string bytesOf(const QByteArray& data) {
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

ClipboardRead textRead(std::string text, bool concealed) {
    if (text.empty()) return {};
    return ClipboardRead{ClipboardRead::Status::text, std::move(text), concealed};
}

QString passwordHintFormat() {
    return QString::fromLatin1(kPasswordHintFormat.data(), qsizetype(kPasswordHintFormat.size()));
}

ClipboardRead readQtClipboard() {
    return readMimeData(QGuiApplication::clipboard() ? QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard)
                                                     : nullptr);
}

}  // namespace

ClipboardRead readMimeData(const QMimeData* data) {
    if (!data) return {};
    const QStringList formats = data->formats();
    std::vector<std::string> offered;
    offered.reserve(static_cast<std::size_t>(formats.size()));
    for (const QString& format : formats) offered.push_back(format.toStdString());
    const QString hint = passwordHintFormat();
    const bool concealed = formats.contains(hint) && marksSecret(bytesOf(data->data(hint)));
    if (const std::optional<TextFormat> format = chooseTextFormat(offered)) {
        const QByteArray bytes = data->data(QString::fromStdString(format->name));
        if (format->encoding == TextEncoding::html && static_cast<std::size_t>(bytes.size()) > kMaxHtmlBytes) {
            return ClipboardRead{ClipboardRead::Status::tooLarge, {}, false};
        }
        return textRead(decodeClipboardText(bytesOf(bytes), format->encoding).value_or(std::string()), concealed);
    }
    // Some platforms list text under names of their own and still answer for text/plain.
    if (data->hasText()) return textRead(bytesOf(data->text().toUtf8()), concealed);
    return {};
}

QtClipboard::QtClipboard() : receiver_(std::make_unique<QObject>()) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
    reader_ = std::make_unique<X11ClipboardReader>(openedX11Display());
}

QtClipboard::~QtClipboard() = default;

void QtClipboard::requestText(Delivery deliver) {
    const std::uint64_t request = ++request_;
    if (!reader_) {
        deliver(readQtClipboard());
        return;
    }
    QObject* receiver = receiver_.get();
    const bool started = reader_->start([this, receiver, request, deliver](SelectionBytes got) {
        // On the worker, with the text decoded: hand it over to the main thread.
        auto shared = std::make_shared<SelectionBytes>(std::move(got));
        QMetaObject::invokeMethod(
            receiver,
            [this, request, deliver, shared] {
                if (request != request_) return;  // abandoned meanwhile
                switch (shared->status) {
                    case SelectionBytes::Status::data:
                        deliver(textRead(std::move(shared->bytes), shared->concealed));
                        break;
                    case SelectionBytes::Status::none:
                        deliver(ClipboardRead{});
                        break;
                    case SelectionBytes::Status::notAnswering:
                        deliver(ClipboardRead{ClipboardRead::Status::notAnswering, {}, false});
                        break;
                    case SelectionBytes::Status::tooLarge:
                        deliver(ClipboardRead{ClipboardRead::Status::tooLarge, {}, false});
                        break;
                }
            },
            Qt::QueuedConnection);
    });
    // Without a thread to read on, Qt's own (blocking) read is better than none.
    if (!started) deliver(readQtClipboard());
}

void QtClipboard::cancelRead() {
    ++request_;
    if (reader_) reader_->cancel();
}

std::optional<std::string> QtClipboard::readText() {
    ClipboardRead read = readQtClipboard();
    if (read.status != ClipboardRead::Status::text) return std::nullopt;
    return std::move(read.text);
}

void QtClipboard::writeText(const std::string& text, bool concealed) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return;
    // setMimeData replaces every format on the clipboard with these.
    auto* data = new QMimeData;
    data->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    if (concealed) {
        // The mark password managers put on a password, which clipboard histories honour.
        data->setData(passwordHintFormat(), QByteArrayLiteral("secret"));
    }
    clipboard->setMimeData(data, QClipboard::Clipboard);
}

}  // namespace tavlets
