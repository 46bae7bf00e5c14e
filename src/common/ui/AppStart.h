#pragma once

#include <memory>

#include <QCoreApplication>
#include <QStringList>

// A window program only where a display is named; a scheduled run at night gets a bare one.
// A display that does not answer falls back to the offscreen platform instead of aborting.
std::unique_ptr<QCoreApplication> CreateApplication(int& argc, char** argv);
// True when the application can show windows to somebody.
bool ShowsWindows();
// Sets up translation for a program: the settings folder's "Kelvara.cfg" and the extra domains.
void InitProgramTranslation(const QStringList& extraDomains);
