#pragma once

#include <string>

// The name of the account this process runs under.
std::string GetLoginUserName();
// The account in the form the system's account manager uses (here the plain user name).
std::string GetSamUserName();
// The name of this computer.
std::string GetLocalComputerName();
// True on the system family whose session services the programs were first written for.
bool IsVistaOrLater();
// True when the process runs natively as a 64-bit process.
bool IsNative64BitProcess();
// The id of this process.
int CurrentProcessId();
