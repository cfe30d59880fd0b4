// The real tavlets binary against the panel's own model: same text, same bytes out.

#include "commands/user_actions_source.hpp"
#include "shell/shell_test_util.hpp"

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

#include <set>

#include <tavlets/panel_model.hpp>

namespace tavlets {
namespace {

struct Ran {
    int code = -1;
    QByteArray out, err;
};

struct Binary {
    Binary() {
        QDir(config.path()).mkpath(QStringLiteral("tavlets"));
        EXPECT_TRUE(testing::writeFile(config.filePath(QStringLiteral("tavlets/actions.toml")),
                                       "[[action]]\ntitle = \"Reverse\"\nwhen = [\"json\"]\nrun = [\"rev\"]\n"));
    }
    // No display of any kind: nothing here may need one.
    Ran operator()(const QStringList& arguments, const QByteArray& input = {}) const {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(TAVLETS_BINARY), arguments);
        process.write(input);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(30000));
        Ran ran{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
                process.readAllStandardError()};
        EXPECT_FALSE(ran.err.contains("platform plugin")) << ran.err.toStdString();
        return ran;
    }
    QTemporaryDir config, runtime;
};

TEST(CommandLine, EveryActionGivesThePanelsBytes) {
    Binary tavlets;
    std::set<std::string> ran;
    for (const auto& c : readCases("app/clipboard_texts.tsv")) {
        const std::string& text = c.at(0);
        SCOPED_TRACE(text.substr(0, 40));
        auto clipboard = std::make_shared<testing::MemoryClipboard>();
        clipboard->text = text;
        PanelModel model(clipboard);
        qputenv("XDG_CONFIG_HOME", tavlets.config.path().toUtf8());
        installUserActions(model);
        model.load();
        const QByteArray input = QByteArray::fromStdString(text);

        QByteArray listing = QByteArray::fromStdString(model.analysis().label()) + '\n';
        for (const Tavlet& action : model.actions()) listing += QByteArray::fromStdString(action.id + '\t' + action.title + '\n');
        EXPECT_EQ(tavlets({QStringLiteral("actions")}, input).out, listing);

        for (int i = 0; i < int(model.actions().size()); ++i) {
            const std::string id = model.actions()[std::size_t(i)].id;
            model.choose(i);
            const Outcome& outcome = *model.outcome();
            const Ran got = tavlets({QStringLiteral("run"), QString::fromStdString(id)}, input);
            EXPECT_EQ(got.code, outcome.isError ? 1 : 0) << id;
            EXPECT_EQ(outcome.isError ? got.err : got.out, QByteArray::fromStdString(outcome.text + (outcome.isError ? "\n" : "")))
                << id;
            ran.insert(id);
        }
    }
    EXPECT_EQ(ran.size(), 18u);  // the seventeen built-in actions and the user's one
}

TEST(CommandLine, ErrorsAndAnswersWithoutADisplay) {
    Binary tavlets;
    QTemporaryDir folder;
    for (const auto& c : readCases("app/command_line.tsv")) {
        SCOPED_TRACE(c.at(0));
        const QString arguments = QString::fromStdString(c[0]).replace(QStringLiteral("$FOLDER"), folder.path());
        const Ran got = tavlets(arguments.split(u' '), QByteArray::fromStdString(c.at(1)));
        const QByteArray out = QByteArray::fromStdString(c.at(3)).replace("$VERSION", TAVLETS_VERSION);
        EXPECT_EQ(got.code, std::stoi(c.at(2)));
        EXPECT_TRUE(got.out.contains(out)) << got.out.toStdString();
        EXPECT_TRUE(got.err.contains(QByteArray::fromStdString(c.at(4)))) << got.err.toStdString();
    }
}

}  // namespace
}  // namespace tavlets
