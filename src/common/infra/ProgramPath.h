#pragma once

#include <QString>

// Full path of the running executable.
QString ProgramFilePath();
// Folder of the running executable, with a trailing separator.
QString ProgramFolder();
// File name of the running executable without extension ("KvStarter").
QString ProgramBaseName();
// Adds a trailing "/" unless the path already ends with one; an empty path stays empty.
QString IncludeTrailingPathDelimiter(const QString& path);
