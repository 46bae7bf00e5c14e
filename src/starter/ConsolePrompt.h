#pragma once

#include <optional>

#include <QString>

// True when standard input is a terminal.
bool HasTerminal();
// Asks for a password on the terminal without echo; nullopt when there is no terminal or the
// input ends.
std::optional<QString> ConsolePassword(const QString& prompt);
