#pragma once
// The part of the settings page about the user's own actions: where the file is, the actions it
// offers, and every problem in it with its line and column.

#include "commands/user_actions_source.hpp"

#include <QStringList>
#include <QWidget>

#include <memory>

class QVBoxLayout;

namespace tavlets {

class UserActionsList : public QWidget {
    Q_OBJECT
public:
    explicit UserActionsList(std::shared_ptr<UserActionsSource> source = UserActionsSource::installed(),
                             QWidget* parent = nullptr);
    ~UserActionsList() override;

    // The file's path with the home folder written as "~".
    static QString displayPath(const QString& path);
    static QString summaryText(const UserActionsState& state);
    // The argument as a shell needs it typed: bare when plain, else quoted.
    static QString shellQuoted(const QString& arg);
    // "• Sort lines — sort -u", one per loaded action.
    static QStringList actionLines(const UserActionsState& state);
    // A broken file can have thousands of problems; the first ones are what the user fixes first.
    static constexpr int kShownProblems = 50;
    // "Line 3, column 7: …", one per problem, the first kShownProblems, then "…and N more".
    static QStringList problemLines(const UserActionsState& state);

signals:
    // The lines were rebuilt; the window may need another size.
    void contentChanged();

protected:
    // The file is looked at again whenever the page is shown.
    void showEvent(QShowEvent* event) override;

private:
    void rebuild();

    std::shared_ptr<UserActionsSource> source_;
    UserActionsSource::ListenerId listener_ = 0;
    QVBoxLayout* texts_ = nullptr;
};

}  // namespace tavlets
