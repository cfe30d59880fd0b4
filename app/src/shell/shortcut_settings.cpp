#include "shell/shortcut_settings.hpp"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace tavlets {
namespace {

constexpr auto kKey = "shortcut";
constexpr Qt::KeyboardModifiers kChordModifiers = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

std::optional<QKeyCombination> parseShortcut(const QString& text) {
    const QKeySequence sequence = QKeySequence::fromString(text.trimmed(), QKeySequence::PortableText);
    // One chord only: a global grab cannot wait for a second press.
    if (sequence.count() != 1) return std::nullopt;
    const QKeyCombination combination = sequence[0];
    if (combination.key() == Qt::Key_unknown || combination.key() == 0) return std::nullopt;
    if (recorderRefusal(combination) || isModifierOnly(combination.key())) return std::nullopt;
    return combination;
}

// "line:column" of the top-level shortcut value in the file, for people fixing it by hand.
QString valuePosition(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("?");
    bool topLevel = true;
    for (int line = 1; !file.atEnd(); ++line) {
        const QByteArray text = file.readLine(64 * 1024);
        const QByteArray trimmed = text.trimmed();
        if (trimmed.startsWith('[')) topLevel = trimmed == "[General]";
        const int equals = text.indexOf('=');
        if (!topLevel || equals < 0 || text.left(equals).trimmed() != kKey) continue;
        int column = equals + 1;
        while (column < text.size() && (text[column] == ' ' || text[column] == '\t')) ++column;
        // Columns count characters, not bytes.
        return QStringLiteral("%1:%2").arg(line).arg(QString::fromUtf8(text.left(column)).size() + 1);
    }
    return QStringLiteral("?");
}

// A hand-written value as a warning may quote it: at most about 80 characters, so a huge value
// does not flood the terminal, and control characters shown escaped, so none reaches the terminal.
QString quotedValue(const QString& value) {
    constexpr qsizetype kShown = 80;
    QString out = QStringLiteral("\"");
    qsizetype shown = 0;
    for (const char32_t c : value.left(2 * kShown + 2).toUcs4()) {
        if (shown++ == kShown) {
            out += QStringLiteral("\"\u2026");
            return out;
        }
        if (c == u'"' || c == u'\\') out.append(QChar(u'\\')).append(QChar(char16_t(c)));
        else if (c == u'\n') out += QStringLiteral("\\n");
        else if (c == u'\t') out += QStringLiteral("\\t");
        else if (c < 0x20 || (c >= 0x7f && c < 0xa0)) out += QStringLiteral("\\x%1").arg(uint(c), 2, 16, QChar(u'0'));
        // Direction overrides could make the line read other than it is.
        else if ((c >= 0x200b && c <= 0x200f) || (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069))
            out += QStringLiteral("\\u%1").arg(uint(c), 4, 16, QChar(u'0'));
        else out += QString::fromUcs4(&c, 1);
    }
    return out + u'"';
}

}  // namespace

QString configDirectory() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base)) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/tavlets");
}

QString shortcutFilePath() { return configDirectory() + QStringLiteral("/tavlets.conf"); }

StoredShortcut loadShortcut(const QString& path) {
    StoredShortcut stored;
    if (!QFileInfo(path).isReadable()) return stored;
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError || !settings.contains(QLatin1String(kKey))) return stored;
    const QVariant value = settings.value(QLatin1String(kKey));
    // A value with a comma reads back as a list; it is no single shortcut either way.
    const QString text = value.typeId() == QMetaType::QString ? value.toString() : QString();
    if (const auto combination = parseShortcut(text)) {
        stored.combination = *combination;
    } else {
        stored.warning = QStringLiteral("Tavlets: %1:%2: shortcut=%3 is not a key combination with Ctrl, Alt or Meta; "
                                        "using Alt+Space.")
                             .arg(path, valuePosition(path), quotedValue(value.toStringList().join(QLatin1Char(','))));
    }
    return stored;
}

bool saveShortcut(QKeyCombination combination, QString* error, const QString& path) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        if (error) *error = QStringLiteral("Cannot create the folder of %1.").arg(path);
        return false;
    }
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(QLatin1String(kKey), shortcutName(combination));
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        if (error) *error = QStringLiteral("Cannot write %1.").arg(path);
        return false;
    }
    return true;
}

QString shortcutName(QKeyCombination combination) {
    return QKeySequence(combination).toString(QKeySequence::PortableText);
}

bool isModifierOnly(Qt::Key key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}

std::optional<QString> recorderRefusal(QKeyCombination combination) {
    if (isModifierOnly(combination.key())) return std::nullopt;
    if (!(combination.keyboardModifiers() & kChordModifiers)) {
        return QStringLiteral("Add Ctrl, Alt or Meta: a key on its own would stop working for typing.");
    }
    return std::nullopt;
}

QString portalTrigger(QKeyCombination combination) {
    const Qt::Key key = combination.key();
    QString name;
    if (key == Qt::Key_Space) name = QStringLiteral("space");
    else if (key >= Qt::Key_A && key <= Qt::Key_Z) name = QChar(char16_t(u'a' + (key - Qt::Key_A)));
    else if (key >= Qt::Key_0 && key <= Qt::Key_9) name = QChar(char16_t(u'0' + (key - Qt::Key_0)));
    else if (key >= Qt::Key_F1 && key <= Qt::Key_F24) name = QStringLiteral("F%1").arg(key - Qt::Key_F1 + 1);
    else if (key == Qt::Key_Return) name = QStringLiteral("Return");
    else if (key == Qt::Key_Tab) name = QStringLiteral("Tab");
    else if (key == Qt::Key_Insert) name = QStringLiteral("Insert");
    else if (key == Qt::Key_Home) name = QStringLiteral("Home");
    else if (key == Qt::Key_End) name = QStringLiteral("End");
    else return {};
    QString trigger;
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    if (modifiers & Qt::ControlModifier) trigger += QStringLiteral("CTRL+");
    if (modifiers & Qt::AltModifier) trigger += QStringLiteral("ALT+");
    if (modifiers & Qt::ShiftModifier) trigger += QStringLiteral("SHIFT+");
    if (modifiers & Qt::MetaModifier) trigger += QStringLiteral("LOGO+");
    return trigger + name;
}

}  // namespace tavlets
