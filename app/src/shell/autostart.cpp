#include "shell/autostart.hpp"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tavlets {

QString autostartFilePath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base)) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/autostart/tavlets.desktop");
}

bool isAutostartEnabled(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    bool inEntry = false;
    while (!file.atEnd()) {
        QByteArray line = file.readLine(4096).trimmed();
        if (line.startsWith('[')) inEntry = line == "[Desktop Entry]";
        else if (inEntry && line.replace(' ', "") == "Hidden=true") return false;
    }
    return true;
}

QString desktopExec(const QString& program) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = false;
    for (QChar c : program) quote = quote || reserved.contains(c);
    QString escaped;
    for (QChar c : program) {
        if (quote && (c == u'"' || c == u'`' || c == u'$' || c == u'\\')) escaped += u'\\';
        escaped += c;
    }
    // A literal percent sign starts a field code unless doubled.
    escaped.replace(QLatin1String("%"), QLatin1String("%%"));
    // Inside the key file, a backslash is itself escaped once more.
    if (quote) escaped = u'"' + escaped + u'"';
    escaped.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    return escaped;
}

bool setAutostartEnabled(bool enabled, const QString& program, QString* error, const QString& path) {
    if (!enabled) {
        if (!QFileInfo::exists(path) || QFile::remove(path)) return true;
        if (error) *error = QStringLiteral("Cannot remove %1.").arg(path);
        return false;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        if (error) *error = QStringLiteral("Cannot create the folder of %1.").arg(path);
        return false;
    }
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        const QString entry = QStringLiteral(
                                  "[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Name=Tavlets\n"
                                  "Comment=Smart actions for whatever is on your clipboard\n"
                                  "Exec=%1\n"
                                  "Icon=tavlets\n"
                                  "Terminal=false\n"
                                  "X-GNOME-Autostart-enabled=true\n")
                                  .arg(desktopExec(program));
        file.write(entry.toUtf8());
        if (file.commit()) return true;
    }
    if (error) *error = QStringLiteral("Cannot write %1.").arg(path);
    return false;
}

}  // namespace tavlets
