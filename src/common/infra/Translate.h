#pragma once

#include <initializer_list>

#include <QByteArray>
#include <QString>

// Text domains of the catalogues.
inline constexpr const char* kDefaultDomain = "default";
inline constexpr const char* kDialogsDomain = "dialogs-svg";
inline constexpr const char* kUnitsDomain = "Units";

// Translation of a text of the program's own code (domain "default").
QString Tr(const char* text);
// Translation of a text of the shared dialogs (domain "dialogs-svg").
QString TrDialogs(const char* text);
// Translation in the given domain.
QString TrDomain(const char* domain, const char* text);
// Translation of a resource string: default domain first, then the extra domains in order.
QString TrResource(const char* text);

// Adds a domain that resource strings are looked up in after "default" (each once).
void AddResourceDomain(const QByteArray& domain);

// Fills %s, %d, %u (in order) and %0:s, %1:s ... (by index) with the values; "%%" is one "%".
QString Fmt(const QString& format, std::initializer_list<QString> values);
