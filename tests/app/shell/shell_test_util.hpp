#pragma once
// Helpers shared by the Qt shell tests.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <tavlets/clipboard.hpp>

#include <functional>
#include <vector>

namespace tavlets::testing {

// Runs the event loop until the condition holds or the time is up; returns the condition.
inline bool spinUntil(const std::function<bool()>& condition, int timeoutMs = 3000) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return condition();
}

// Points XDG_CONFIG_HOME at a fresh folder for as long as it lives.
struct ConfigHome {
    ConfigHome() : old(qgetenv("XDG_CONFIG_HOME")) { qputenv("XDG_CONFIG_HOME", dir.path().toUtf8()); }
    ~ConfigHome() { qputenv("XDG_CONFIG_HOME", old); }
    QString path(const char* relative = "tavlets/tavlets.conf") const { return dir.filePath(QString::fromLatin1(relative)); }
    QTemporaryDir dir;
    QByteArray old;
};

struct MemoryClipboard : Clipboard {
    std::optional<std::string> readText() override { ++reads; return text; }
    void writeText(const std::string& value, bool) override { text = value; }
    std::optional<std::string> text = "hello there";
    int reads = 0;
};

inline QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// A file under the tests' data folder for the shell.
inline QString testData(const char* name) {
    return QStringLiteral(TAVLETS_TEST_DATA_DIR "/shell/") + QString::fromLatin1(name);
}

// The rows of a tab-separated data file, comment lines left out, each checked to have `fields` fields.
inline std::vector<QStringList> dataRows(const char* name, qsizetype fields) {
    std::vector<QStringList> rows;
    for (const QString& line : QString::fromUtf8(readAll(testData(name))).split(u'\n', Qt::SkipEmptyParts)) {
        if (line.startsWith(u'#')) continue;
        rows.push_back(line.split(u'\t'));
        EXPECT_EQ(rows.back().size(), fields) << line.toStdString();
        rows.back().resize(fields);
    }
    EXPECT_FALSE(rows.empty()) << name;
    return rows;
}

inline QString labelText(const QObject& parent, const char* name) {
    const auto* label = parent.findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<none>");
}

// Every shown label shows its whole text: as tall as it needs at its width, and inside the window.
inline void expectEveryTextWhole(const QWidget& window) {
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&window) || label->text().isEmpty()) continue;
        SCOPED_TRACE(label->objectName().toStdString());
        if (label->wordWrap()) EXPECT_GE(label->height(), label->heightForWidth(label->width()));
        else EXPECT_GE(label->width(), label->sizeHint().width());
        const QPoint bottomRight = label->mapTo(&window, QPoint(label->width(), label->height()));
        EXPECT_LE(bottomRight.y(), window.height());
        EXPECT_LE(bottomRight.x(), window.width());
    }
}

}  // namespace tavlets::testing
