#pragma once

#include <QList>
#include <QString>

#include "common/platform/WinExecute.h"

// Records the starts under an account instead of making them; a start with the password
// "wrong" fails as a refused logon does.
class AccountLauncher : public IProcessLauncher {
public:
    struct Start {
        QString user, domain, password, folder, commandLine;
    };
    QList<Start> starts;

    TProcessHandle StartAsUser(const std::string& user, const std::string& domain,
                               const std::string& password, const std::string& folder,
                               const std::string& commandLine) override
    {
        starts.append({QString::fromStdString(user), QString::fromStdString(domain),
                       QString::fromStdString(password), QString::fromStdString(folder),
                       QString::fromStdString(commandLine)});
        if (password == "wrong")
            throw EProcessError("Authentication failure", 0x8007052E, user);
        return {};
    }
    TProcessHandle Start(const std::string&, const std::string&) override { return {}; }
    std::uint32_t Wait(TProcessHandle&, std::uint32_t, const TEventsHook&) override { return 0; }
};
