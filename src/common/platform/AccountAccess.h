#pragma once

#include <QString>

// Whether an account may create files in a folder, read from the folder's owner, group and mode
// and the account's groups (access control lists are not looked at). An empty account means
// the account this program runs as. False for a folder on a read-only file system.
bool FolderWritableBy(const QString& folder, const QString& account);
// True when the account is known to the system (a "domain\" prefix is dropped).
bool AccountExists(const QString& account);
