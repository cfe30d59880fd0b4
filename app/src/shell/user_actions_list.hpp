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
    // "• Sort lines — sort -u", one per loaded action.
    static QStringList actionLines(const UserActionsState& state);
    // "Line 3, column 7: …", one per problem.
    static QStringList problemLines(const UserActionsState& state);

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
