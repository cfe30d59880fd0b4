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

#include "test_cases.hpp"

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

// The rows of a tab-separated data file, comment lines left out, each checked to have `fields` fields.
inline std::vector<QStringList> dataRows(const char* name, qsizetype fields) {
    std::vector<QStringList> rows;
    for (const std::vector<std::string>& row : readCases(std::string("shell/") + name)) {
        QStringList& fieldsRead = rows.emplace_back();
        for (const std::string& field : row) fieldsRead << QString::fromStdString(field);
        EXPECT_EQ(fieldsRead.size(), fields) << fieldsRead.join(u'\t').toStdString();
        fieldsRead.resize(fields);
    }
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
