#pragma once

#include <QString>

// The three pings of a run: before it, after a run without errors, after a failed one.
enum class TPingKind { Start, Success, Fail };

// Time a ping may take before it is given up.
inline constexpr int kPingLimitMs = 10000;

// The address pinged: the configured one, with "/start" or "/fail" added to its path.
QString PingAddress(const QString& url, TPingKind kind);
// Sends a GET to the ping address and waits at most limitMs for the answer. Only http and
// https are used; certificates are verified against the system's and those of caFile (PEM,
// optional). Empty on success, else the reason.
QString SendPing(const QString& url, TPingKind kind, const QString& caFile,
                 int limitMs = kPingLimitMs);

// The ping client lives in the module KvPing beside the program, so that a run without a ping
// address never loads the network libraries.
inline constexpr const char* kPingModuleEntry = "KvPingModule";
struct TPingModule {
    QString (*Send)(const QString& url, TPingKind kind, const QString& caFile, int limitMs);
};
// SendPing through the module, loaded on the first call; a module that cannot be loaded gives
// its reason as the ping's failure.
QString SendPingOnDemand(const QString& url, TPingKind kind, const QString& caFile,
                         int limitMs = kPingLimitMs);
// Lets a caller that links the client itself (tests) send without the module; nullptr: the module.
void SetPingSender(QString (*sender)(const QString&, TPingKind, const QString&, int));
