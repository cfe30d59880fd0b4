// The real tavlets binary against the panel's own model: same text, same bytes out.

#include "commands/user_actions_source.hpp"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

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
        QFile file(config.filePath(QStringLiteral("tavlets/actions.toml")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[[action]]\ntitle = \"Reverse\"\nwhen = [\"json\"]\nrun = [\"rev\"]\n");
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

struct Given : Clipboard {
    std::string text;
    std::optional<std::string> readText() override { return text; }
    void writeText(const std::string&, bool) override {}
};

std::string longText() {
    std::string text;
    for (int i = 0; i < 60; ++i)
        text += "Alice will send the budget report " + std::to_string(i) + " to the team by Friday. We agreed on it.\n";
    return text;
}

TEST(CommandLine, EveryActionGivesThePanelsBytes) {
    Binary tavlets;
    const std::string texts[] = {
        "{\"a\": [1, 2.50, \"\\u00e9\"], \"b\": {}}", "{\"a\": [1, 2,", "name,age\nAda,36\nBo,\"7,5\"\n", "x\ty\n1\t2\n",
        "int main() {\n  if (x) { return f(a[1]); }\n  return 0;\n}\n", longText(), "hello w%C3%B6rld aGk= \xc3\xa9t\xc3\xa9  \n",
    };
    std::set<std::string> ran;
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.substr(0, 40));
        auto clipboard = std::make_shared<Given>();
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
    const struct { QStringList arguments; QByteArray input; int code; const char* out; const char* err; } cases[] = {
        {{"--help"}, {}, 0, "Usage: tavlets", ""},
        {{"-h"}, {}, 0, "tavlets run ACTION", ""},
        {{"--version"}, {}, 0, "tavlets " TAVLETS_VERSION "\n", ""},
        {{"--bogus"}, {}, 2, "", "Unknown option 'bogus'.\nTry 'tavlets --help'"},
        {{"frob"}, {}, 2, "", "unknown command 'frob'"},
        {{"run"}, {}, 2, "", "run needs an action"},
        {{"run", "case.upper", "a", "b"}, {}, 2, "", "too many arguments"},
        {{"status", "--json"}, {}, 2, "", "status takes no options"},
        {{"run", "json.fromat"}, "{}", 2, "", "unknown action 'json.fromat'. Close matches:\n  json.format\tFormat as JSON"},
        {{"run", "reverse"}, "{}", 2, "", "user.1\tReverse"},
        {{"run", "case.upper", "/nonexistent/x"}, {}, 2, "", "/nonexistent/x: No such file or directory"},
        {{"run", "case.upper", folder.path()}, {}, 2, "", "Is a directory"},
        {{"run", "csv.md"}, "just words", 1, "", "csv.md needs a table"},
        {{"run", "json.format"}, "{\"a\":", 1, "", "isn't valid JSON"},
        {{"run", "b64.decode"}, "@@@", 1, "", ""},
        // Asked by name, an action runs on any text, and by its title as well.
        {{"run", "json.minify"}, "[ 1 ,\n 2 ]", 0, "[1,2]", ""},
        {{"run", "Reverse"}, "abc", 0, "cba", ""},
        {{"run", "UPPERCASE", "-"}, "\xc3\xa9t\xc3\xa9", 0, "\xc3\x89T\xc3\x89", ""},
        {{"actions", "--json"}, "a;b\n1;2\n", 0, "\"id\": \"csv.md\"", ""},
        {{"status"}, {}, 3, "Tavlets is not running.\n", ""},
        {{"run", "json.format", "--clipboard"}, {}, 2, "", "neither DISPLAY nor WAYLAND_DISPLAY"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const Ran got = tavlets(c.arguments, c.input);
        EXPECT_EQ(got.code, c.code);
        EXPECT_TRUE(got.out.startsWith(c.out) || got.out.contains(c.out)) << got.out.toStdString();
        EXPECT_TRUE(got.err.contains(c.err)) << got.err.toStdString();
    }
}

}  // namespace
}  // namespace tavlets
