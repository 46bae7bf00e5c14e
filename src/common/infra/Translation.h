#pragma once

#include <optional>
#include <string>

#include <QString>
#include <QStringList>

// What the command line says about language and configuration file.
struct TLanguageOptions {
    QString LangCode;     // value of "lang" (empty when not given)
    QString SettingsPath; // "ini" with environment names expanded, or the program folder
    bool Portable = false;
};

// Where the language search looks; CurrentTranslationContext() gives the running program's.
struct TTranslationContext {
    QStringList Params;    // command-line parameters without the program itself
    QString ProgramFolder; // with a trailing separator
    QString CurrentFolder; // working directory, with a trailing separator
    QString RoamingFolder; // roaming application data folder, with a trailing separator
};

// The running program's parameters and folders.
TTranslationContext CurrentTranslationContext();

// Reads the options "lang", "ini" and "portable" (any leading part, any case, after "/" or "-");
// "portable" without an earlier "ini" takes the program folder as settings path.
TLanguageOptions ScanLanguageOptions(const QStringList& params, const QString& programFolder);

// Replaces each %NAME% by the environment variable NAME (every spelling of it, in any case);
// a "%" without partner stays as it is.
QString ExpandEnvironmentNames(const QString& text);

// Settings folder (relative ones count from roamingFolder) + file name.
QString ConfigFilePath(const QString& settingsFolder, const QString& fileName,
                       const QString& roamingFolder);

// Where the configuration file is after the "ini" and "portable" options.
QString MoveConfigFile(const QString& configFile, const TLanguageOptions& options,
                       const QString& programFolder, const QString& currentFolder);

// The first two characters of a value, in lower case.
QString LanguageCode(const QString& value);

// The code of the first interface language when it is one of the known ones, else "en".
QString MapUiLanguage(const QStringList& uiLanguages);

// The user's interface language (LANGUAGE, LC_ALL, LC_MESSAGES, LANG), mapped as above.
QString SystemUiLanguage();

// "LangID" of section [Language] of the configuration file, two characters; empty when missing.
QString ConfigLanguage(const QString& configFile);

// The language: command line, else the configuration file, else the user's interface language.
QString DetermineLanguage(const QString& settingsFolder, const QString& configFileName,
                          const TTranslationContext& context);

// Binds a gettext domain to the catalogue folder ("<folder>/<code>/LC_MESSAGES/<domain>.mo"),
// with UTF-8 results.
void BindDomain(const char* domain, const QString& localeFolder);

// Switches every look-up to the language; the user's other locale categories stay as they were.
// Loads the toolkit's own catalogue when loadRuntime is true.
void SwitchLanguage(const QString& code, bool loadRuntime = true);

// The language in use since the last SwitchLanguage ("en" before).
QString CurrentLanguage();

// "LANGUAGE" as the user had it before the switch; child processes should get this back.
std::optional<std::string> UserLanguageVariable();

// Sets up translation once at program start, before any window exists: the configuration
// file, the extra resource domains (kRuntimeDomain loads the toolkit's catalogue), the language.
// May be called before or after the application object is created.
void InitTranslation(const QString& settingsFolder, const QString& configFileName,
                     const QStringList& extraDomains);
