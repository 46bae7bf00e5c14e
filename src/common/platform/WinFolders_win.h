#pragma once

// Known folders of the system and version information of executables, in UTF-8.

#include <optional>
#include <string>

enum class TWinFolder { RoamingAppData, LocalAppData, Documents, Desktop, ProgramFiles };

// The folder with a trailing backslash; empty when the system does not know it.
std::string KnownFolderPath(TWinFolder folder);
// The file version of an executable or library as "major.minor.release.build"; nullopt when
// the file has no version information.
std::optional<std::string> FileVersionText(const std::string& file);
