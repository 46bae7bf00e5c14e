#pragma once

// The logon session this process runs in, asked of the local security authority.

#include <cstdint>
#include <optional>

// SECURITY_LOGON_TYPE of a batch logon (the scheduler's runs without an interactive user).
inline constexpr std::uint32_t kBatchLogonType = 4;

// The logon type of our own token's session; nullopt when the system does not tell.
std::optional<std::uint32_t> OwnLogonType();
// True when the process has a visible window station (a desktop a user can see).
bool HasVisibleWindowStation();
