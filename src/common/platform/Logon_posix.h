#pragma once

// Starts under another account: with PAM when we run as root, through su otherwise.

#include <string>
#include <vector>

#include <pwd.h>

#include "common/platform/WinExecute.h"

struct TLogonRequest {
    passwd account;            // the target account (strings point into storage below)
    std::vector<char> storage; // backing store of account
    std::string accountText;   // as the caller wrote it, for messages
    std::string password;
    std::string folder;             // empty: callerFolder when the account can enter it, else
                                    // the account's home
    std::string callerFolder;       // our current folder
    std::vector<std::string> words; // the split command line, not empty
};

// Fills the request's account by name, or by uid when name is null; false when there is none.
bool FindAccount(const char* name, uid_t uid, TLogonRequest& request);
// The search path of a fresh logon of the account.
std::string LogonSearchPath(const passwd& account);

// Checks the request's password and account through the PAM service and starts nothing.
// Raises EProcessError as StartWithPam does.
void AuthenticateWithPam(const TLogonRequest& request, const std::string& service);
TProcessHandle StartWithPam(const TLogonRequest& request, const std::string& service);
TProcessHandle StartWithSu(const TLogonRequest& request, const std::string& suProgram);

// Raises EProcessError with PAM's text for the code (e.g. an unknown account or a wrong password).
[[noreturn]] void ThrowLogonError(int pamCode, const std::string& account);
