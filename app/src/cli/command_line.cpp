#include "cli/command_line.hpp"

#include "shell/hot_key.hpp"

#include <QCommandLineParser>

namespace tavlets {
namespace {

CommandLine failure(QString message) {
    CommandLine line;
    line.command = CommandLine::Command::error;
    line.error = std::move(message);
    return line;
}

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, {});
    const QCommandLineOption version(QStringLiteral("version"), {});
    const QCommandLineOption settings(QStringLiteral("settings"), {});
    const QCommandLineOption json(QStringLiteral("json"), {});
    const QCommandLineOption clipboard(QStringLiteral("clipboard"), {});
    parser.addOptions({help, version, settings, json, clipboard});
    // parse() wants the program name first.
    if (!parser.parse(QStringList{QStringLiteral("tavlets")} + arguments)) return failure(parser.errorText());

    CommandLine line;
    if (parser.isSet(help)) {
        line.command = CommandLine::Command::help;
        return line;
    }
    if (parser.isSet(version)) {
        line.command = CommandLine::Command::version;
        return line;
    }
    QStringList words = parser.positionalArguments();
    line.json = parser.isSet(json);
    line.clipboard = parser.isSet(clipboard);
    const QString command = words.isEmpty() ? QString() : words.takeFirst();

    if (command.isEmpty() || command == QLatin1String("help")) {
        if (line.json || line.clipboard) return failure(QStringLiteral("--json and --clipboard go with the actions or run command."));
        if (command == QLatin1String("help")) line.command = CommandLine::Command::help;
        else line.command = parser.isSet(settings) ? CommandLine::Command::settings : CommandLine::Command::start;
        return line;
    }
    if (parser.isSet(settings)) return failure(QStringLiteral("--settings takes no command."));

    if (command == QLatin1String("status")) {
        if (line.json || line.clipboard) return failure(QStringLiteral("status takes no options."));
        if (!words.isEmpty()) return failure(QStringLiteral("status takes no arguments."));
        line.command = CommandLine::Command::status;
        return line;
    }
    if (command == QLatin1String("actions")) {
        line.command = CommandLine::Command::actions;
    } else if (command == QLatin1String("run")) {
        if (line.json) return failure(QStringLiteral("--json goes with the actions command."));
        if (words.isEmpty()) return failure(QStringLiteral("run needs an action: tavlets run ACTION [FILE]."));
        line.command = CommandLine::Command::run;
        line.action = words.takeFirst();
    } else {
        return failure(QStringLiteral("unknown command '%1'.").arg(command));
    }
    if (words.size() > 1) return failure(QStringLiteral("too many arguments: '%1'.").arg(words.join(u' ')));
    if (!words.isEmpty()) {
        if (line.clipboard) return failure(QStringLiteral("--clipboard reads no file."));
        line.file = words.first();
    }
    return line;
}

QString versionText() { return QStringLiteral("tavlets " TAVLETS_VERSION "\n"); }

QString helpText() {
    return QStringLiteral(
        "Usage: tavlets [--settings]\n"
        "       tavlets actions [--json] [--clipboard] [FILE]\n"
        "       tavlets run ACTION [--clipboard] [FILE]\n"
        "       tavlets status\n"
        "\n"
        "Smart actions for whatever is on your clipboard.\n"
        "\n"
        "With no command, starts Tavlets in the system tray, or opens or closes the panel of the\n"
        "Tavlets already running.\n"
        "\n"
        "Commands:\n"
        "  actions [FILE]      Tell what kind of text FILE (or standard input) holds, then list the\n"
        "                      actions offered for it, one per line: id, a tab, title.\n"
        "  run ACTION [FILE]   Run one action on the text and print the result. ACTION is an id\n"
        "                      such as json.format, csv.md or case.upper, or an exact title.\n"
        "  status              Tell whether Tavlets runs, which shortcut opens its panel and\n"
        "                      whether it has a tray icon.\n"
        "\n"
        "Options:\n"
        "  --clipboard         Read the text from the clipboard; with run, put the result back\n"
        "                      on the clipboard.\n"
        "  --json              With actions, print a JSON object.\n"
        "  --settings          Open the Settings window.\n"
        "  -h, --help          Show this help.\n"
        "  --version           Show the version.\n"
        "\n"
        "Exit status: 0 done, 1 the action failed, 2 a wrong command line, an unknown action or an\n"
        "unreadable file, 3 (status) Tavlets is not running.\n");
}

ApplicationArguments::ApplicationArguments(int argc, char** argv) {
    for (int i = 0; i < argc; ++i) storage.emplace_back(argv[i]);
    if (isWaylandSession() && !qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        storage.emplace_back("-platform");
        storage.emplace_back("xcb");
    }
    for (QByteArray& argument : storage) pointers.push_back(argument.data());
    count = int(pointers.size());
}

}  // namespace tavlets
