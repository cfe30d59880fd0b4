#include "shell/user_actions_list.hpp"

#include "commands/command_runner.hpp"
#include "panel/symbols.hpp"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QVBoxLayout>

namespace tavlets {
namespace {

QLabel* wrappedLabel(const QString& text, const QString& objectName) {
    auto* label = new QLabel(text);
    label->setObjectName(objectName);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

bool plainWord(const QString& arg) {
    if (arg.isEmpty()) return false;
    for (const QChar c : arg) {
        if (c.unicode() >= 0x80) continue;  // letters of other scripts need no quoting
        if (!c.isLetterOrNumber() && !QStringLiteral("_@%+=:,./-").contains(c)) return false;
    }
    return true;
}

}  // namespace

QString UserActionsList::shellQuoted(const QString& arg) {
    if (plainWord(arg)) return arg;
    bool control = false;
    for (const QChar c : arg) control = control || c.unicode() < 0x20 || c.unicode() == 0x7f;
    if (!control) {
        QString quoted = arg;
        quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
        return QLatin1Char('\'') + quoted + QLatin1Char('\'');
    }
    // Line breaks and other controls would break the line shown; $'…' names them.
    QString quoted = QStringLiteral("$'");
    for (const QChar c : arg) {
        switch (c.unicode()) {
        case '\n': quoted += QStringLiteral("\\n"); break;
        case '\t': quoted += QStringLiteral("\\t"); break;
        case '\r': quoted += QStringLiteral("\\r"); break;
        case '\'': quoted += QStringLiteral("\\'"); break;
        case '\\': quoted += QStringLiteral("\\\\"); break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                quoted += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                quoted += c;
        }
    }
    return quoted + QLatin1Char('\'');
}

UserActionsList::UserActionsList(std::shared_ptr<UserActionsSource> source, QWidget* parent)
    : QWidget(parent), source_(std::move(source)) {
    setObjectName(QStringLiteral("userActionsList"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    const int side = fontMetrics().height();
    auto* icon = new QLabel;
    icon->setPixmap(symbolPixmap(QStringLiteral("chevron.left.forwardslash.chevron.right"),
                                 palette().color(QPalette::WindowText), side, devicePixelRatioF()));
    icon->setFixedSize(side, side);
    row->addWidget(icon, 0, Qt::AlignTop);
    texts_ = new QVBoxLayout;
    texts_->setContentsMargins(0, 0, 0, 0);
    texts_->setSpacing(6);
    row->addLayout(texts_, 1);

    if (source_) {
        // Reloads may happen on a worker thread; the page is rebuilt on its own thread.
        QPointer<UserActionsList> self(this);
        listener_ = source_->listen([self] {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [self] { if (self) self->rebuild(); }, Qt::QueuedConnection);
        });
    }
    rebuild();
}

UserActionsList::~UserActionsList() {
    if (source_ && listener_) source_->unlisten(listener_);
}

QString UserActionsList::displayPath(const QString& path) {
    const QString home = QString::fromStdString(homeDirectory());
    if (!home.isEmpty() && home != QStringLiteral("/") && path.startsWith(home + QLatin1Char('/')))
        return QStringLiteral("~") + path.mid(home.size());
    return path;
}

QString UserActionsList::summaryText(const UserActionsState& state) {
    const QString path = displayPath(QString::fromStdString(state.path));
    switch (state.file) {
    case UserActionsState::File::missing:
        return QStringLiteral("Add your own actions, each a command of yours, in %1. They are offered after the "
                              "built-in ones.")
            .arg(path);
    case UserActionsState::File::ignored:
        return QStringLiteral("Your own actions in %1 are not used.").arg(path);
    case UserActionsState::File::loaded:
        break;
    }
    if (state.actions.empty()) return QStringLiteral("No actions could be used from %1.").arg(path);
    return QStringLiteral("Your own actions, from %1. They run as commands of yours and do what those commands do; "
                          "Tavlets itself sends nothing anywhere.")
        .arg(path);
}

QStringList UserActionsList::actionLines(const UserActionsState& state) {
    QStringList lines;
    for (const UserAction& action : state.actions) {
        QStringList argv;
        for (const std::string& arg : action.run) argv << shellQuoted(QString::fromStdString(arg));
        lines << QStringLiteral("\u2022 %1 \u2014 %2").arg(QString::fromStdString(action.title), argv.join(QLatin1Char(' ')));
    }
    return lines;
}

QStringList UserActionsList::problemLines(const UserActionsState& state) {
    QStringList lines;
    for (const ConfigProblem& problem : state.problems) {
        if (lines.size() == kShownProblems) {
            lines << QStringLiteral("\u2026and %1 more").arg(state.problems.size() - kShownProblems);
            break;
        }
        const QString message = QString::fromStdString(problem.message);
        if (problem.line > 0)
            lines << QStringLiteral("Line %1, column %2: %3").arg(problem.line).arg(problem.column).arg(message);
        else
            lines << message;
    }
    return lines;
}

void UserActionsList::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (source_ && source_->refresh()) rebuild();
}

void UserActionsList::rebuild() {
    while (QLayoutItem* item = texts_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    UserActionsState empty;
    empty.path = UserActionsSource::defaultPath();
    const auto state = source_ ? source_->state() : nullptr;
    const UserActionsState& shown = state ? *state : empty;

    texts_->addWidget(wrappedLabel(summaryText(shown), QStringLiteral("userActions")));
    if (const QStringList lines = actionLines(shown); !lines.isEmpty())
        texts_->addWidget(wrappedLabel(lines.join(QLatin1Char('\n')), QStringLiteral("userActionItems")));
    if (const QStringList lines = problemLines(shown); !lines.isEmpty()) {
        QLabel* problems = wrappedLabel(lines.join(QLatin1Char('\n')), QStringLiteral("userActionProblems"));
        QPalette red = problems->palette();
        red.setColor(QPalette::WindowText, QColor(0xd7, 0x26, 0x1e));
        problems->setPalette(red);
        texts_->addWidget(problems);
    }

    // New labels on a page already on screen would otherwise appear only after the next event
    // round, too late for a size taken now.
    for (QLabel* label : findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) label->setVisible(true);
    layout()->invalidate();
    updateGeometry();
    emit contentChanged();
}

}  // namespace tavlets
