#include "common/platform/TaskbarWindows.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cctype>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <utility>

#include <limits.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <QString>

namespace {

struct TDisconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using TConnection = std::unique_ptr<xcb_connection_t, TDisconnect>;

// The atoms of a connection; a failed set-up has already cleaned up after itself.
struct TEwmh {
    xcb_ewmh_connection_t atoms{};
    bool ready = false;
    explicit TEwmh(xcb_connection_t* connection)
        : ready(xcb_ewmh_init_atoms_replies(&atoms, xcb_ewmh_init_atoms(connection, &atoms),
                                            nullptr) != 0)
    {}
    TEwmh(const TEwmh&) = delete;
    TEwmh& operator=(const TEwmh&) = delete;
    ~TEwmh()
    {
        if (ready)
            xcb_ewmh_connection_wipe(&atoms);
    }
};

std::vector<xcb_window_t> ClientList(xcb_ewmh_connection_t* ewmh, int screen)
{
    xcb_ewmh_get_windows_reply_t list{};
    if (!xcb_ewmh_get_client_list_reply(ewmh, xcb_ewmh_get_client_list(ewmh, screen), &list,
                                        nullptr))
        return {};
    std::vector<xcb_window_t> windows(list.windows, list.windows + list.windows_len);
    xcb_ewmh_get_windows_reply_wipe(&list);
    return windows;
}

std::vector<xcb_atom_t> Atoms(xcb_ewmh_connection_t* ewmh, xcb_get_property_cookie_t cookie)
{
    xcb_ewmh_get_atoms_reply_t reply{};
    if (!xcb_ewmh_get_atoms_reply(ewmh, cookie, &reply, nullptr))
        return {};
    std::vector<xcb_atom_t> atoms(reply.atoms, reply.atoms + reply.atoms_len);
    xcb_ewmh_get_atoms_reply_wipe(&reply);
    return atoms;
}

// Panels, desktops, menus and windows that ask to stay off the taskbar are not listed.
bool ShownOnTaskbar(xcb_ewmh_connection_t* ewmh, xcb_window_t window)
{
    const std::vector<xcb_atom_t> types = Atoms(ewmh, xcb_ewmh_get_wm_window_type(ewmh, window));
    const xcb_atom_t hiddenTypes[] = {
        ewmh->_NET_WM_WINDOW_TYPE_DESKTOP, ewmh->_NET_WM_WINDOW_TYPE_DOCK,
        ewmh->_NET_WM_WINDOW_TYPE_TOOLBAR, ewmh->_NET_WM_WINDOW_TYPE_MENU,
        ewmh->_NET_WM_WINDOW_TYPE_UTILITY, ewmh->_NET_WM_WINDOW_TYPE_SPLASH};
    if (!types.empty() && std::find(std::begin(hiddenTypes), std::end(hiddenTypes),
                                    types.front()) != std::end(hiddenTypes))
        return false;
    const std::vector<xcb_atom_t> states = Atoms(ewmh, xcb_ewmh_get_wm_state(ewmh, window));
    return std::find(states.begin(), states.end(), ewmh->_NET_WM_STATE_SKIP_TASKBAR) ==
           states.end();
}

std::string Title(xcb_ewmh_connection_t* ewmh, xcb_window_t window)
{
    xcb_ewmh_get_utf8_strings_reply_t name{};
    if (xcb_ewmh_get_wm_name_reply(ewmh, xcb_ewmh_get_wm_name(ewmh, window), &name, nullptr)) {
        std::string title(name.strings, name.strings_len);
        xcb_ewmh_get_utf8_strings_reply_wipe(&name);
        if (!title.empty())
            return title;
    }
    // Older clients only set WM_NAME, in Latin-1.
    xcb_connection_t* connection = ewmh->connection;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 0, 1025 / 4),
        nullptr);
    if (!reply)
        return {};
    const QByteArray latin1(static_cast<const char*>(xcb_get_property_value(reply)),
                            xcb_get_property_value_length(reply));
    std::free(reply);
    return QString::fromLatin1(latin1).toStdString();
}

std::string ClientMachine(xcb_connection_t* connection, xcb_window_t window)
{
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(connection,
                               xcb_get_property(connection, 0, window, XCB_ATOM_WM_CLIENT_MACHINE,
                                                XCB_ATOM_STRING, 0, 256 / 4),
                               nullptr);
    if (!reply)
        return {};
    std::string machine(static_cast<const char*>(xcb_get_property_value(reply)),
                        static_cast<std::size_t>(xcb_get_property_value_length(reply)));
    std::free(reply);
    return machine;
}

std::string ThisHostName()
{
    char host[HOST_NAME_MAX + 1] = {};
    if (gethostname(host, sizeof host - 1) != 0)
        return {};
    return host;
}

// The effective and real user of a process; nullopt when it cannot be read.
std::optional<std::pair<uid_t, uid_t>> ProcessUsers(int processId)
{
    std::ifstream status("/proc/" + std::to_string(processId) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Uid:", 0) == 0) {
            std::istringstream fields(line.substr(4));
            uid_t real = 0, effective = 0;
            if (fields >> real >> effective)
                return std::pair(effective, real);
        }
    return std::nullopt;
}

int WindowProcess(xcb_ewmh_connection_t* ewmh, xcb_window_t window)
{
    std::uint32_t pid = 0;
    if (!xcb_ewmh_get_wm_pid_reply(ewmh, xcb_ewmh_get_wm_pid(ewmh, window), &pid, nullptr))
        return 0;
    return pid <= INT_MAX ? static_cast<int>(pid) : 0;
}

} // namespace

std::vector<TTaskbarWindow> ListTaskbarWindows(const std::string& display)
{
    int screen = 0;
    TConnection connection(xcb_connect(display.empty() ? nullptr : display.c_str(), &screen));
    if (!connection || xcb_connection_has_error(connection.get()))
        return {};
    TEwmh ewmh(connection.get());
    if (!ewmh.ready)
        return {};
    xcb_ewmh_connection_t* atoms = &ewmh.atoms;
    const std::string host = ThisHostName();
    std::vector<TTaskbarWindow> result;
    for (xcb_window_t window : ClientList(atoms, screen)) {
        if (!ShownOnTaskbar(atoms, window))
            continue;
        std::string title = Title(atoms, window);
        if (title.empty())
            continue;
        // A process number means something only on the host the window says it comes from.
        const std::string machine = ClientMachine(connection.get(), window);
        const bool local = machine.empty() || IsThisHost(machine, host);
        const int process = !machine.empty() && local ? WindowProcess(atoms, window) : 0;
        result.push_back({std::move(title), window, process, local});
    }
    return result;
}

std::optional<std::string> ProcessProgramName(int processId)
{
    if (processId <= 0)
        return std::nullopt;
    char path[PATH_MAX];
    const std::string link = "/proc/" + std::to_string(processId) + "/exe";
    const ssize_t length = readlink(link.c_str(), path, sizeof path - 1);
    if (length <= 0)
        return std::nullopt;
    std::string target(path, static_cast<std::size_t>(length));
    const std::string deleted = " (deleted)";
    if (target.size() > deleted.size() &&
        target.compare(target.size() - deleted.size(), deleted.size(), deleted) == 0)
        target.resize(target.size() - deleted.size());
    return target.substr(target.find_last_of('/') + 1);
}

std::optional<std::string> TerminateProcessById(int processId)
{
    if (processId < 2)
        return std::strerror(ESRCH);
    if (processId == getpid())
        return std::strerror(EPERM);
    if (geteuid() != 0) {
        const auto users = ProcessUsers(processId);
        if (!users)
            return std::strerror(ESRCH);
        if (users->first != geteuid() || users->second != getuid())
            return std::strerror(EPERM);
    }
    if (kill(processId, SIGTERM) < 0)
        return std::strerror(errno);
    return std::nullopt;
}
