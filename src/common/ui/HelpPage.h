#pragma once

#include <QString>

// Opens the help page (HelpPagePath) in the system's viewer; empty on success, else the message
// to show ("Help is not available on this system!").
QString ShowHelpPage(const QString& page);
