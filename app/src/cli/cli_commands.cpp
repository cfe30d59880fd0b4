#include "cli/cli_commands.hpp"

#include "cli/action_lookup.hpp"
#include "clipboard/qt_clipboard.hpp"
#include "commands/command_runner.hpp"
#include "commands/user_actions_source.hpp"
#include "shell/single_instance.hpp"

#include <QClipboard>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <list>
#include <optional>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <tavlets/panel_model.hpp>

namespace tavlets {
namespace {

void say(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(std::size_t(n));
    }
    return true;
}

// The whole of a file or of standard input, as bytes. Pieces first, then one buffer of the exact
// size: a growing string would hold up to three times the text while it moves.
std::optional<std::string> readWhole(const QString& file, std::string* error) {
    const bool standardInput = file.isEmpty() || file == QLatin1String("-");
    const int fd = standardInput ? 0 : ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    const std::string name = standardInput ? "standard input" : file.toStdString();
    if (fd < 0) {
        *error = name + ": " + std::strerror(errno);
        return std::nullopt;
    }
    struct Closer {
        int fd;
        bool own;
        ~Closer() { if (own) ::close(fd); }
    } closer{fd, !standardInput};
    constexpr std::size_t piece = std::size_t{4} << 20;
    std::list<std::string> pieces;
    std::size_t used = piece;  // bytes read into the last piece
    std::size_t total = 0;
    for (;;) {
        // Sized once: the pieces are filled in place, a read at a time.
        if (used == piece) {
            pieces.emplace_back(piece, '\0');
            used = 0;
        }
        const ssize_t n = ::read(fd, pieces.back().data() + used, piece - used);
        if (n > 0) {
            used += std::size_t(n);
            total += std::size_t(n);
            continue;
        }
        if (n == 0) break;
        if (errno == EINTR) continue;
        *error = name + ": " + std::strerror(errno);
        return std::nullopt;
    }
    pieces.back().resize(used);
    if (pieces.size() == 1) return std::move(pieces.front());
    std::string text;
    text.reserve(total);
    while (!pieces.empty()) {
        text += pieces.front();
        pieces.pop_front();
    }
    return text;
}

// Hands the model the text given on the command line, moved, not copied.
class GivenText : public Clipboard {
public:
    void give(std::string text, bool concealed = false) {
        text_ = std::move(text);
        concealed_ = concealed;
    }
    void requestText(Delivery deliver) override {
        deliver(ClipboardRead{ClipboardRead::Status::text, std::move(text_), concealed_});
    }
    void writeText(const std::string&, bool) override {}

private:
    std::string text_;
    bool concealed_ = false;
};

std::optional<ClipboardRead> readClipboard(std::string* error) {
    QtClipboard clipboard;
    std::optional<ClipboardRead> answer;
    QEventLoop loop;
    clipboard.requestText([&](ClipboardRead read) {
        answer = std::move(read);
        loop.quit();
    });
    if (!answer) loop.exec();
    if (answer->status == ClipboardRead::Status::notAnswering) {
        *error = "the app that holds the clipboard does not answer.";
        return std::nullopt;
    }
    if (answer->status == ClipboardRead::Status::tooLarge) {
        *error = "the clipboard holds only HTML, and too much of it to read.";
        return std::nullopt;
    }
    return std::move(*answer);
}

// An interrupt (Ctrl+C), hang-up or termination cancels the run; a user command is given a moment
// to be stopped with its process group, then the process ends with the signal's status.
Outcome runInterruptibly(const PanelModel::Run& run) {
    sigset_t stops;
    sigemptyset(&stops);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) sigaddset(&stops, s);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    std::atomic<bool> done{false};
    Outcome outcome;
    // To this thread only: threads the display connection started do not block the signal.
    const pthread_t waiting = pthread_self();
    std::thread worker;
    try {
        worker = std::thread([&] {
            outcome = run.execute();
            done.store(true);
            pthread_kill(waiting, SIGUSR1);
        });
    } catch (const std::system_error&) {
        // No thread to be had: run here, interruptible only by the signals' default actions.
        pthread_sigmask(SIG_UNBLOCK, &stops, nullptr);
        return run.execute();
    }
    for (;;) {
        int signal = 0;
        if (sigwait(&stops, &signal) != 0) continue;
        if (signal == SIGUSR1) {
            if (done.load()) break;
            continue;
        }
        run.cancelled->store(true);
        for (int i = 0; i < 100 && !done.load(); ++i) ::usleep(10'000);
        ::_exit(128 + signal);
    }
    worker.join();
    pthread_sigmask(SIG_UNBLOCK, &stops, nullptr);
    return outcome;
}

struct Session {
    std::vector<UserAction> user;
    std::string action;  // the id of the action `run` names
};

Session userActions(PanelModel& model) {
    installUserActions(model);
    const std::shared_ptr<UserActionsSource> source = UserActionsSource::installed();
    source->refresh();
    return Session{source->state()->actions, {}};
}

QByteArray actionsListing(const PanelModel& model, bool json) {
    const bool blank = model.actions().empty();
    const std::string label = blank ? "No text" : model.analysis().label();
    if (json) {
        QJsonArray list;
        for (const Tavlet& action : model.actions()) {
            list.append(QJsonObject{{QStringLiteral("id"), QString::fromStdString(action.id)},
                                    {QStringLiteral("title"), QString::fromStdString(action.title)}});
        }
        const QJsonObject object{{QStringLiteral("label"), QString::fromStdString(label)},
                                 {QStringLiteral("actions"), list}};
        return QJsonDocument(object).toJson(QJsonDocument::Indented);
    }
    QByteArray out = QByteArray::fromStdString(label) + '\n';
    for (const Tavlet& action : model.actions()) {
        out += QByteArray::fromStdString(action.id) + '\t' + QByteArray::fromStdString(action.title) + '\n';
    }
    return out;
}

// The run of the named action on the model's text: the model's own when it offers the action,
// else the same engine asked directly.
std::optional<PanelModel::Run> runFor(PanelModel& model, const Session& session, std::string* error) {
    const std::string& id = session.action;
    for (std::size_t i = 0; i < model.actions().size(); ++i) {
        if (model.actions()[i].id != id) continue;
        std::optional<PanelModel::Run> taken;
        model.runner = [&taken](PanelModel::Run run) { taken = std::move(run); };
        model.start(int(i));
        return taken;
    }
    const std::vector<Tavlet> all = everyAction(model.analysis(), session.user, model.text(), homeCommandRunner());
    const Tavlet* action = findAction(all, id);
    if (!action) {
        if (needsTable(id)) {
            *error = id + " needs a table, and this text has no rows separated by commas, semicolons or tabs (it reads as " +
                     (model.text().empty() ? std::string("empty") : model.analysis().label()) + ").";
        } else {
            *error = id + " is not available.";
        }
        return std::nullopt;
    }
    // The model outlives the run, so its text needs no owner of its own here.
    return PanelModel::Run{1, action->run, std::shared_ptr<const std::string>(std::shared_ptr<void>(), &model.text()),
                           std::make_shared<std::atomic<bool>>(false)};
}

// Reports back to the waiting parent: its exit status, then nothing more.
void report(int fd, int status) {
    const char byte = char(status);
    writeAll(fd, std::string_view(&byte, 1));
    ::close(fd);
}

// Detaches from the terminal and keeps the result on the clipboard until another app takes it.
int serveUntilTaken(QGuiApplication& app, int parent) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    // Where taking the clipboard is not immediate, the parent returns only once it is ours (or after
    // 200 ms), so a paste right after the command gets the result.
    QEventLoop settle;
    QObject::connect(clipboard, &QClipboard::changed, &settle, &QEventLoop::quit);
    QTimer::singleShot(200, &settle, &QEventLoop::quit);
    if (!clipboard->ownsClipboard()) settle.exec();
    report(parent, 0);
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    for (int fd : {0, 1, 2}) ::dup2(null, fd);
    ::setsid();
    QObject::connect(clipboard, &QClipboard::changed, &app, [clipboard](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard && !clipboard->ownsClipboard()) QCoreApplication::quit();
    });
    return app.exec();
}

// The text is in `given`; the model reads it from there.
int commandOnText(const CommandLine& line, PanelModel& model, const Session& session, int parent) {
    model.load();
    if (line.command == CommandLine::Command::actions) {
        writeAll(1, actionsListing(model, line.json).toStdString());
        return 0;
    }
    std::string error;
    const std::optional<PanelModel::Run> run = runFor(model, session, &error);
    if (!run) {
        say("tavlets: " + error);
        return kExitFailed;
    }
    const Outcome outcome = runInterruptibly(*run);
    if (outcome.isError) {
        say(outcome.text);
        return kExitFailed;
    }
    if (parent < 0) {
        writeAll(1, outcome.text);
        return 0;
    }
    // An empty result would wipe what the user copied.
    if (outcome.text.empty()) {
        say("tavlets: the result is empty, so the clipboard is left as it was.");
        return kExitFailed;
    }
    // A password stays marked as one, so clipboard managers keep it out of their history.
    QtClipboard().writeText(outcome.text, model.concealed());
    return serveUntilTaken(*qobject_cast<QGuiApplication*>(QCoreApplication::instance()), parent);
}

int withClipboard(const CommandLine& line, int argc, char** argv, PanelModel& model, const Session& session,
                  GivenText& given) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        say("tavlets: no desktop session here to reach the clipboard (neither DISPLAY nor WAYLAND_DISPLAY is set).");
        return kExitUsage;
    }
    // With `run` the result must outlive this command, so a child does the work and stays to serve
    // the clipboard; this process waits only for its verdict. Forked before any thread or display.
    int channel[2] = {-1, -1};
    if (line.command == CommandLine::Command::run) {
        if (::pipe2(channel, O_CLOEXEC) != 0) {
            say(std::string("tavlets: ") + std::strerror(errno));
            return kExitFailed;
        }
        const pid_t child = ::fork();
        if (child < 0) {
            say(std::string("tavlets: ") + std::strerror(errno));
            return kExitFailed;
        }
        if (child > 0) {
            ::close(channel[1]);
            char status = 0;
            ssize_t n;
            while ((n = ::read(channel[0], &status, 1)) < 0 && errno == EINTR) {
            }
            // No verdict: the child ended on its own account (it said why) or was killed.
            return n == 1 ? int(status) : kExitFailed;
        }
        ::close(channel[0]);
    }
    ApplicationArguments arguments(argc, argv);
    QGuiApplication app(arguments.count, arguments.pointers.data());
    std::string error;
    std::optional<ClipboardRead> read = readClipboard(&error);
    int status = kExitUsage;
    if (!read) say("tavlets: " + error);
    else {
        given.give(std::move(read->text), read->concealed);
        status = commandOnText(line, model, session, channel[1]);
    }
    if (channel[1] >= 0) report(channel[1], status);
    return status;
}

int status(int argc, char** argv) {
    QCoreApplication core(argc, argv);
    QString reason;
    const std::optional<QString> path = SingleInstance::defaultPath(&reason);
    if (!path) {
        std::printf("Tavlets is not running: %s\n", qPrintable(reason));
        return kExitNotRunning;
    }
    // Who holds the lock, read without taking it, so that a Tavlets starting now is not kept out.
    qint64 pid = 0;
    QString host, app;
    if (!QLockFile(*path + QStringLiteral(".lock")).getLockInfo(&pid, &host, &app) || pid <= 0 ||
        (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)) {
        std::printf("Tavlets is not running.\n");
        return kExitNotRunning;
    }
    SingleInstance instance(*path);
    const std::optional<QString> answer = instance.askStatus();
    if (!answer) {
        say("tavlets: Tavlets is running but does not answer.");
        return kExitFailed;
    }
    std::fputs(answer->toUtf8().constData(), stdout);
    return 0;
}

}  // namespace

int runCommand(const CommandLine& line, int argc, char** argv) {
    if (line.command == CommandLine::Command::status) return status(argc, argv);
    const auto given = std::make_shared<GivenText>();
    PanelModel model(given);
    Session session = userActions(model);
    if (line.command == CommandLine::Command::run) {
        // Known before any input is read: a wrong name answers at once.
        const std::vector<Tavlet> known = knownActions(session.user);
        const Tavlet* named = findAction(known, line.action.toStdString());
        if (!named) {
            std::string message = "tavlets: unknown action '" + line.action.toStdString() + "'.";
            const std::vector<std::string> near = closeMatches(known, line.action.toStdString());
            message += near.empty() ? " Run 'tavlets actions FILE' to see the actions for a text." : " Close matches:";
            for (const std::string& match : near) message += "\n  " + match;
            say(message);
            return kExitUsage;
        }
        session.action = named->id;
    }
    if (line.clipboard) return withClipboard(line, argc, argv, model, session, *given);
    std::string error;
    std::optional<std::string> text = readWhole(line.file, &error);
    if (!text) {
        say("tavlets: " + error);
        return kExitUsage;
    }
    given->give(std::move(*text));
    return commandOnText(line, model, session, -1);
}

}  // namespace tavlets
