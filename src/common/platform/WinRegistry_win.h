#pragma once

// Values of the system's registry, named in UTF-8.

#include <cstdint>
#include <optional>
#include <string>

enum class TRegRoot { CurrentUser, LocalMachine };

// A string value (REG_SZ or REG_EXPAND_SZ, not expanded); nullopt when the key or value is
// missing or the value has another type.
std::optional<std::string> ReadRegString(TRegRoot root, const std::string& key,
                                         const std::string& name);
// A REG_DWORD value; nullopt when it is missing or of another type.
std::optional<std::uint32_t> ReadRegDword(TRegRoot root, const std::string& key,
                                          const std::string& name);
// True when the key exists.
bool RegKeyExists(TRegRoot root, const std::string& key);
// Writes a REG_SZ value, creating the key; false when the system refuses.
bool WriteRegString(TRegRoot root, const std::string& key, const std::string& name,
                    const std::string& value);
// Writes a REG_DWORD value, creating the key; false when the system refuses.
bool WriteRegDword(TRegRoot root, const std::string& key, const std::string& name,
                   std::uint32_t value);
// Deletes a key with everything below it; true when it is gone.
bool DeleteRegTree(TRegRoot root, const std::string& key);
