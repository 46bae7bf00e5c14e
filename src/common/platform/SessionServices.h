#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// Flags of ExitWindowsSession.
inline constexpr std::uint32_t kExitLogOff = 0x00;
inline constexpr std::uint32_t kExitShutdown = 0x01;
inline constexpr std::uint32_t kExitReboot = 0x02;
inline constexpr std::uint32_t kExitForce = 0x04;
inline constexpr std::uint32_t kExitPowerOff = 0x08;
inline constexpr std::uint32_t kExitForceIfHung = 0x10;
// Reason of a planned shutdown.
inline constexpr std::uint32_t kReasonPlanned = 0x80000000;

// Answers a Yes/No confirmation text: true for Yes.
using TConfirmHook = std::function<bool(const std::string& text)>;

// Ends the session, powers the computer off or suspends it.
class ISessionService {
public:
    virtual ~ISessionService() = default;
    // True when this process may shut the system down.
    virtual bool EnableShutdownPrivilege() = 0;
    // After a confirmed confirmText (none: no question) logs off, or shuts down or restarts
    // when the flags say so; false on No or when the system refuses.
    virtual bool ExitWindowsSession(const std::string& confirmText, std::uint32_t flags,
                                    std::uint32_t reason) = 0;
    // After a confirmed confirmText (none: no question) powers off or restarts; false otherwise.
    virtual bool ShutdownComputer(const std::string& confirmText, bool restart,
                                  std::uint32_t reason) = 0;
    // Suspends or hibernates; false when the system offers it not or refuses.
    virtual bool SuspendComputer(bool hibernate, bool forceCritical, bool disableWakeEvent) = 0;
    // Locks the current session; false when that fails.
    virtual bool LockWorkStation() = 0;
    // The system's text for the last failure, empty when the last call succeeded.
    virtual std::string LastError() const = 0;
};

// The service over the login manager on the bus at busAddress (empty: the system bus).
// Confirmation texts go to confirm; without it every confirmation is answered No.
std::unique_ptr<ISessionService> CreateSessionService(const std::string& busAddress = {},
                                                      TConfirmHook confirm = {});
