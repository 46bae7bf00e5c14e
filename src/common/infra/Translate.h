#pragma once

#include <initializer_list>

#include <QByteArray>
#include <QString>

// Text domains of the catalogues.
inline constexpr const char* kDefaultDomain = "default";
inline constexpr const char* kDialogsDomain = "dialogs-svg";
inline constexpr const char* kUnitsDomain = "Units";
// The widget toolkit's own messages: loaded from its "qtbase_<code>.qm" catalogue, not gettext.
inline constexpr const char* kRuntimeDomain = "qtbase";
// The messages of the mail library (starter only).
inline constexpr const char* kMailDomain = "mailer";

// Marks a text for the default catalogue without translating it (for tables of texts).
constexpr const char* TrNoop(const char* text)
{
    return text;
}
// Marks a text for the "dialogs-svg" catalogue without translating it.
constexpr const char* TrDialogsNoop(const char* text)
{
    return text;
}

// Translation of a text of the program's own code (domain "default").
QString Tr(const char* text);
// Translation of a text of the shared dialogs (domain "dialogs-svg").
QString TrDialogs(const char* text);
// Translation in the given domain; an empty text stays empty.
QString TrDomain(const char* domain, const char* text);
// Translation of a text held in a string (window texts); the text itself when untranslated.
QString TranslateText(const char* domain, const QString& text);
// Translation of a resource string: default domain first, then the extra domains in order.
QString TrResource(const char* text);

// Adds a domain that resource strings are looked up in after "default" (each once).
void AddResourceDomain(const QByteArray& domain);

// Fills %s, %d, %u (in order) and %0:s, %1:s ... (by index) with the values; "%%" is one "%".
QString Fmt(const QString& format, std::initializer_list<QString> values);
