#include "common/platform/Logon_posix.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include <grp.h>
#include <security/pam_appl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/platform/ChildProcess_posix.h"
#include "common/platform/ProcessEnvironment.h"

namespace {

constexpr const char* kPamFolder = "/etc/pam.d/";
// Variables of ours that a program started for another account still needs.
constexpr const char* kKeptVariables[] = {"DISPLAY", "WAYLAND_DISPLAY", "LANG", "LANGUAGE", "TERM"};

int Converse(int count, const pam_message** messages, pam_response** responses, void* data)
{
    auto* answers = static_cast<pam_response*>(std::calloc(count, sizeof(pam_response)));
    if (!answers)
        return PAM_BUF_ERR;
    const auto* password = static_cast<const std::string*>(data);
    for (int i = 0; i < count; ++i)
        if (messages[i]->msg_style == PAM_PROMPT_ECHO_OFF)
            answers[i].resp = strdup(password->c_str());
    *responses = answers;
    return PAM_SUCCESS;
}

// The lines of a PAM file without comments.
std::vector<std::string> PamLines(std::istream& in)
{
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find('#'));
        if (line.find_first_not_of(" \t") != std::string::npos)
            lines.push_back(line);
    }
    return lines;
}

// The file a line includes ("@include x", "auth include x", "auth substack x"), else empty.
std::string IncludedFile(const std::string& line)
{
    std::istringstream words(line);
    std::string first, second, third;
    words >> first >> second >> third;
    if (first == "@include")
        return second;
    return second == "include" || second == "substack" ? third : std::string();
}

// 0 when the stack of the service (with what it includes) cannot let a password through
// unchecked; else the errno to report. pam_rootok lets root pass with any password.
int CheckPamStack(const std::string& folder, const std::string& service, int depth = 0)
{
    if (service.empty() || service.find('/') != std::string::npos || depth > 8)
        return EINVAL;
    std::ifstream in(folder + service);
    if (!in)
        return ENOENT;
    for (const std::string& line : PamLines(in)) {
        if (line.find("pam_rootok") != std::string::npos)
            return EPERM;
        const std::string included = IncludedFile(line);
        if (!included.empty())
            if (const int error = CheckPamStack(folder, included, depth + 1))
                return error;
    }
    return 0;
}

// A service file of the program's own (share/kelvara6/pam.d beside its bin folder) counts only when
// nobody but root can change it.
bool IsTrustedFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == 0 &&
           (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Where the service is defined: the system's folder, else the program's own when the system
// has no such service installed.
std::string PamServiceFolder(const std::string& service)
{
    if (::access((kPamFolder + service).c_str(), F_OK) == 0)
        return kPamFolder;
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return kPamFolder;
    std::string folder(self, size_t(n));
    for (int up = 0; up < 2 && !folder.empty(); ++up)
        folder.erase(folder.rfind('/'));
    folder += "/share/kelvara6/pam.d/";
    return IsTrustedFile(folder + service) ? folder : kPamFolder;
}

// An open PAM transaction; ends it (closing the session once opened) when released.
class TPamSession {
public:
    explicit TPamSession(std::string password) : password(std::move(password)) {}
    ~TPamSession() { End(); }

    int Start(const std::string& service, const std::string& user, const std::string& folder)
    {
        conversation = {Converse, &password};
        if (folder == kPamFolder)
            return rc = pam_start(service.c_str(), user.c_str(), &conversation, &handle);
        return rc = pam_start_confdir(service.c_str(), user.c_str(), &conversation, folder.c_str(),
                                      &handle);
    }
    // Checks the password and that the account may log on now.
    int Authenticate()
    {
        if ((rc = pam_authenticate(handle, PAM_SILENT)) != PAM_SUCCESS)
            return rc;
        return rc = pam_acct_mgmt(handle, PAM_SILENT);
    }
    // Authenticates, checks the account, sets credentials and opens the session.
    int LogOn()
    {
        if (Authenticate() != PAM_SUCCESS ||
            (rc = pam_setcred(handle, PAM_ESTABLISH_CRED)) != PAM_SUCCESS)
            return rc;
        credentials = true;
        password.assign(password.size(), '\0');
        if ((rc = pam_open_session(handle, PAM_SILENT)) == PAM_SUCCESS)
            opened = true;
        return rc;
    }
    std::string Text(int code) const { return pam_strerror(handle, code); }
    std::vector<std::string> Environment() const
    {
        std::vector<std::string> result;
        char** list = pam_getenvlist(handle);
        for (char** entry = list; entry && *entry; ++entry) {
            result.emplace_back(*entry);
            std::free(*entry);
        }
        std::free(list);
        return result;
    }
    void End()
    {
        if (!handle)
            return;
        if (opened)
            pam_close_session(handle, PAM_SILENT);
        if (credentials)
            pam_setcred(handle, PAM_DELETE_CRED | PAM_SILENT);
        pam_end(handle, rc);
        handle = nullptr;
    }

private:
    std::string password;
    pam_conv conversation{};
    pam_handle_t* handle = nullptr;
    int rc = PAM_SUCCESS;
    bool credentials = false;
    bool opened = false;
};

void SetVariable(std::vector<std::string>& environment, const std::string& name,
                 const std::string& value)
{
    const std::string prefix = name + "=";
    for (std::string& entry : environment)
        if (entry.compare(0, prefix.size(), prefix) == 0) {
            entry = prefix + value;
            return;
        }
    environment.push_back(prefix + value);
}

std::vector<std::string> AccountEnvironment(const passwd& account,
                                            const std::vector<std::string>& fromPam)
{
    std::vector<std::string> environment;
    for (const char* name : kKeptVariables)
        if (const auto value = UserVariable(name))
            SetVariable(environment, name, *value);
    const std::string shell = account.pw_shell && *account.pw_shell ? account.pw_shell : "/bin/sh";
    SetVariable(environment, "HOME", account.pw_dir);
    SetVariable(environment, "USER", account.pw_name);
    SetVariable(environment, "LOGNAME", account.pw_name);
    SetVariable(environment, "SHELL", shell);
    SetVariable(environment, "PATH", LogonSearchPath(account));
    for (const std::string& entry : fromPam) {
        const std::size_t equals = entry.find('=');
        if (equals != std::string::npos)
            SetVariable(environment, entry.substr(0, equals), entry.substr(equals + 1));
    }
    return environment;
}

std::vector<gid_t> AccountGroups(const passwd& account)
{
    int count = 32;
    std::vector<gid_t> groups(count);
    while (getgrouplist(account.pw_name, account.pw_gid, groups.data(), &count) < 0)
        groups.resize(count);
    groups.resize(count);
    return groups;
}

} // namespace

[[noreturn]] void ThrowLogonError(int pamCode, const std::string& account)
{
    throw EProcessError(pam_strerror(nullptr, pamCode), static_cast<std::uint32_t>(pamCode),
                        account);
}

std::string LogonSearchPath(const passwd& account)
{
    return account.pw_uid == 0 ? "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"
                               : "/usr/local/bin:/usr/bin:/bin:/usr/games";
}

namespace {

// A transaction of the service for the request's account, not yet authenticated.
std::shared_ptr<TPamSession> StartPamSession(const TLogonRequest& request,
                                             const std::string& service)
{
    const std::string folder = PamServiceFolder(service);
    if (const int error = CheckPamStack(folder, service))
        throw EProcessError(std::string(std::strerror(error)) + ": " + folder + service,
                            static_cast<std::uint32_t>(error), request.accountText);
    auto session = std::make_shared<TPamSession>(request.password);
    if (const int rc = session->Start(service, request.account.pw_name, folder); rc != PAM_SUCCESS)
        throw EProcessError(session->Text(rc), static_cast<std::uint32_t>(rc), request.accountText);
    return session;
}

} // namespace

void AuthenticateWithPam(const TLogonRequest& request, const std::string& service)
{
    const auto session = StartPamSession(request, service);
    if (const int rc = session->Authenticate(); rc != PAM_SUCCESS)
        throw EProcessError(session->Text(rc), static_cast<std::uint32_t>(rc), request.accountText);
}

TProcessHandle StartWithPam(const TLogonRequest& request, const std::string& service)
{
    const auto session = StartPamSession(request, service);
    if (const int rc = session->LogOn(); rc != PAM_SUCCESS)
        throw EProcessError(session->Text(rc), static_cast<std::uint32_t>(rc), request.accountText);

    const passwd& account = request.account;
    TSpawnSpec spec;
    spec.environment = AccountEnvironment(account, session->Environment());
    const std::optional<std::string> program =
        ResolveProgram(request.words.front(), LogonSearchPath(account));
    if (!program)
        ThrowErrno(ENOENT, request.accountText);
    spec.program = *program;
    spec.args = request.words;
    spec.folder = request.folder.empty() ? request.callerFolder : request.folder;
    if (request.folder.empty())
        spec.fallbackFolder = account.pw_dir;
    spec.identity = TIdentity{account.pw_uid, account.pw_gid, AccountGroups(account)};
    spec.closeOtherFiles = true;
    spec.newSession = true;
    std::unique_ptr<TChildProcess> child;
    if (const int error = SpawnChild(spec, child))
        ThrowErrno(error, request.accountText);
    // The session stays open while the program runs.
    child->onReaped = [session] { session->End(); };
    return TProcessHandle(std::move(child));
}
