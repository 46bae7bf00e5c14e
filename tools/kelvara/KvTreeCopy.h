#pragma once

#include <csignal>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <time.h>

#include <QString>

// Set from a signal handler: copying stops at the next file or block.
extern volatile std::sig_atomic_t gKvAbortRequested;

struct TCopyJob {
    std::string source; // absolute path of the source folder
    int destParentFd = -1;
    std::string destName;             // folder below destParentFd that receives the copy
    std::string destPath;             // that folder's path, for messages
    std::optional<timespec> since;    // copy only entries changed after this time
    bool wholeTree = true;            // create every folder, also empty ones
    std::vector<std::string> include; // fnmatch patterns for files; empty: all
    std::vector<std::string> exclude; // fnmatch patterns for files and folders
    std::vector<std::pair<dev_t, ino_t>> skipFolders; // never entered (the backup folder)
    std::function<void(const QString&)> onError;      // one message per failed entry
};

struct TCopyStats {
    int64_t files = 0; // files and symbolic links written
    int64_t bytes = 0;
    int64_t errors = 0;
    bool aborted = false;
};

// Copies the source folder into destParentFd/destName: regular files with contents, mode and
// times, symbolic links as links, folders as folders; other kinds of entries are skipped.
// An entry that already exists in the destination is replaced; nothing outside the
// destination folder is written, and symbolic links in it are never followed.
TCopyStats CopyTree(const TCopyJob& job);

// Removes everything inside the open folder, staying on its file system and never following
// symbolic links. Returns false when something could not be removed (onError told why).
bool RemoveFolderContents(int dirFd, const std::string& path,
                          const std::function<void(const QString&)>& onError);

// True when a pattern matches: a pattern with "/" against the path relative to the source
// folder, any other against the entry's name.
bool MatchesAny(const std::vector<std::string>& patterns, const char* name, const std::string& rel);
