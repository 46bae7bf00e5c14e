#include "common/infra/Translation.h"

#include <libintl.h>

#include <array>
#include <clocale>
#include <cstdlib>
#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "common/infra/IniFileUtils.h"
#include "common/infra/KnownFolders.h"
#include "common/infra/ProgramPath.h"
#include "common/infra/Translate.h"
#include "common/platform/ProcessEnvironment.h"

// glibc's catalogue generation counter: raising it drops the cached look-ups.
extern "C" int _nl_msg_cat_cntr;

namespace {

// The languages the programs know, as the backup program maps the user's interface language.
constexpr std::array kKnownLanguages{
    "ar", "bg", "ca", "zh", "cs", "da", "de", "el", "en", "es", "fi", "fr", "hu", "is",
    "it", "ja", "ko", "nl", "no", "pl", "pt", "rm", "ro", "ru", "hr", "sk", "sq", "sv",
    "th", "tr", "ur", "id", "uk", "be", "sl", "et", "lv", "lt", "fa", "vi", "hy", "mk",
    "st", "ve", "xh", "zu", "af", "ka", "fo", "hi", "mt", "se", "ga", "kk", "ky", "sw",
    "tk", "uz", "tt", "pa", "or", "ta", "sa", "mn", "bo", "cy", "lo", "gl", "ne", "fy",
    "ps", "yo", "lb", "om", "so", "ii", "ug", "mi", "co", "wo", "gd", "ku"};

// Locale names that belong to one of the known languages under another code.
constexpr std::array<std::pair<const char*, const char*>, 2> kLanguageAliases{
    {{"nb", "no"}, {"nn", "no"}}};

const QString kConfigSection = QStringLiteral("Language");
const QString kConfigKey = QStringLiteral("LangID");
const QString kEnglish = QStringLiteral("en");

struct TTranslationState {
    QString Language = QStringLiteral("en");
    std::optional<std::string> UserLanguage;
    bool UserLanguageSaved = false;
    bool LoadRuntime = false;
    std::unique_ptr<QTranslator> Runtime;
};

TTranslationState& State()
{
    static TTranslationState state;
    return state;
}

// True when the leading text is a beginning of the keyword, in any letter case.
bool IsLeadingPart(const QString& text, const char* keyword)
{
    return QString::fromLatin1(keyword).startsWith(text, Qt::CaseInsensitive);
}

// Backslashes are folder separators in settings paths written the Windows way.
QString WithSlashes(QString path)
{
    return path.replace(u'\\', u'/');
}

bool IsAbsoluteSetting(const QString& path)
{
    return path.startsWith(u'/') || path.contains(u':');
}

// The folder part of a path, up to and with its last separator.
QString FolderPart(const QString& path)
{
    return path.left(path.lastIndexOf(u'/') + 1);
}

QString FileNamePart(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString WithCfgExtension(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return (dot < 0 ? fileName : fileName.left(dot)) + QStringLiteral(".cfg");
}

QString Absolute(const QString& path, const QString& base)
{
    return QDir::isAbsolutePath(path) ? path : base + path;
}

QString CodeFromLocaleName(const QString& name)
{
    const QString language = name.section(u'-', 0, 0).section(u'_', 0, 0).toLower();
    for (const auto& [alias, code] : kLanguageAliases)
        if (language == QLatin1String(alias))
            return QString::fromLatin1(code);
    for (const char* code : kKnownLanguages)
        if (language == QLatin1String(code))
            return language;
    return kEnglish;
}

QStringList ProcessArguments()
{
    if (QCoreApplication::instance())
        return QCoreApplication::arguments();
    // Before the application object exists the kernel still holds the command line.
    QFile file(QStringLiteral("/proc/self/cmdline"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList args;
    for (const QByteArray& arg : file.readAll().split('\0'))
        args << QString::fromLocal8Bit(arg);
    if (!args.isEmpty() && args.last().isEmpty())
        args.removeLast();
    return args;
}

void SaveUserLanguageVariable()
{
    TTranslationState& state = State();
    if (state.UserLanguageSaved)
        return;
    if (const char* value = std::getenv("LANGUAGE"))
        state.UserLanguage = value;
    state.UserLanguageSaved = true;
}

// glibc ignores LANGUAGE while the messages locale is "C"; C.UTF-8 honours it and keeps UTF-8.
void ApplyMessagesLocale()
{
    const char* current = std::setlocale(LC_MESSAGES, nullptr);
    if (current == nullptr || qstrcmp(current, "C") == 0 || qstrcmp(current, "POSIX") == 0)
        std::setlocale(LC_MESSAGES, "C.UTF-8");
    ++_nl_msg_cat_cntr;
}

void LoadRuntimeCatalogue()
{
    TTranslationState& state = State();
    if (QCoreApplication::instance() == nullptr)
        return;
    if (state.Runtime) {
        QCoreApplication::removeTranslator(state.Runtime.get());
        state.Runtime.reset();
    }
    if (!state.LoadRuntime || state.Language == kEnglish)
        return;
    auto translator = std::make_unique<QTranslator>();
    const QString name = QStringLiteral("qtbase_") + state.Language;
    const QStringList folders{QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                              ProgramDataFolder() + QStringLiteral("translations")};
    for (const QString& folder : folders) {
        if (translator->load(name, folder)) {
            QCoreApplication::installTranslator(translator.get());
            state.Runtime = std::move(translator);
            return;
        }
    }
}

// The application object sets the locale from the environment when it is created; the
// language switch is made once more after that.
void ReapplyAfterApplicationStart()
{
    ApplyMessagesLocale();
    LoadRuntimeCatalogue();
}

} // namespace

TTranslationContext CurrentTranslationContext()
{
    TTranslationContext context;
    context.Params = ProcessArguments().mid(1);
    context.ProgramFolder = ProgramFolder();
    context.CurrentFolder = IncludeTrailingPathDelimiter(QDir::currentPath());
    context.RoamingFolder = GetKnownFolder(TKnownFolder::RoamingAppData);
    return context;
}

TLanguageOptions ScanLanguageOptions(const QStringList& params, const QString& programFolder)
{
    TLanguageOptions options;
    for (const QString& param : params) {
        if (!param.startsWith(u'/') && !param.startsWith(u'-'))
            continue;
        const QString option = param.mid(1);
        const qsizetype colon = option.indexOf(u':');
        const QString name = colon < 0 ? QString() : option.left(colon);
        const QString value = colon < 0 ? QString() : option.mid(colon + 1);
        if (colon >= 0 && IsLeadingPart(name, "lang")) {
            options.LangCode = value;
        } else if (colon >= 0 && IsLeadingPart(name, "ini")) {
            options.SettingsPath = ExpandEnvironmentNames(value);
        } else if (IsLeadingPart(option, "portable")) {
            options.Portable = true;
            if (options.SettingsPath.isEmpty())
                options.SettingsPath = programFolder;
        }
    }
    return options;
}

QString ExpandEnvironmentNames(const QString& text)
{
    // The first spelling of a name decides its value; later spellings in other cases share it.
    QHash<QString, QString> values;
    QString out;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype open = text.indexOf(u'%', pos);
        const qsizetype close = open < 0 ? -1 : text.indexOf(u'%', open + 1);
        if (close < 0) {
            out += text.mid(pos);
            break;
        }
        out += text.mid(pos, open - pos);
        const QString name = text.mid(open + 1, close - open - 1);
        const QString folded = name.toLower();
        if (!values.contains(folded))
            values.insert(folded, qEnvironmentVariable(name.toLocal8Bit().constData()));
        out += values.value(folded);
        pos = close + 1;
    }
    return out;
}

QString ConfigFilePath(const QString& settingsFolder, const QString& fileName,
                       const QString& roamingFolder)
{
    const QString folder = IncludeTrailingPathDelimiter(Absolute(settingsFolder, roamingFolder));
    return folder + fileName;
}

QString MoveConfigFile(const QString& configFile, const TLanguageOptions& options,
                       const QString& programFolder, const QString& currentFolder)
{
    if (options.SettingsPath.isEmpty())
        return configFile;
    const QString path = WithSlashes(options.SettingsPath);
    const QString currentName = FileNamePart(configFile);
    if (path.endsWith(u'/'))
        return Absolute(path, currentFolder) + currentName;
    const QString name = options.Portable ? WithCfgExtension(FileNamePart(path)) : currentName;
    const QString folder = FolderPart(path);
    if (IsAbsoluteSetting(path))
        return folder + name;
    if (options.Portable)
        return programFolder + folder + name;
    if (folder.isEmpty())
        return FolderPart(configFile) + name;
    return currentFolder + folder + name;
}

QString LanguageCode(const QString& value)
{
    return value.trimmed().left(2).toLower();
}

QString MapUiLanguage(const QStringList& uiLanguages)
{
    return uiLanguages.isEmpty() ? kEnglish : CodeFromLocaleName(uiLanguages.first());
}

QString SystemUiLanguage()
{
    return MapUiLanguage(QLocale::system().uiLanguages());
}

QString ConfigLanguage(const QString& configFile)
{
    try {
        const auto ini = TUnicodeIniFile::CreateForRead(configFile);
        return LanguageCode(ini->ReadString(kConfigSection, kConfigKey, QString()));
    } catch (const std::exception&) {
        return QString(); // an unreadable file counts as a missing one
    }
}

QString DetermineLanguage(const QString& settingsFolder, const QString& configFileName,
                          const TTranslationContext& context)
{
    const TLanguageOptions options = ScanLanguageOptions(context.Params, context.ProgramFolder);
    QString code = LanguageCode(options.LangCode);
    if (!code.isEmpty())
        return code;
    const QString configFile =
        MoveConfigFile(ConfigFilePath(settingsFolder, configFileName, context.RoamingFolder),
                       options, context.ProgramFolder, context.CurrentFolder);
    code = ConfigLanguage(configFile);
    return code.isEmpty() ? SystemUiLanguage() : code;
}

void BindDomain(const char* domain, const QString& localeFolder)
{
    bindtextdomain(domain, QFile::encodeName(localeFolder).constData());
    bind_textdomain_codeset(domain, "UTF-8");
}

void SwitchLanguage(const QString& code, bool loadRuntime)
{
    TTranslationState& state = State();
    SaveUserLanguageVariable();
    state.Language = code.isEmpty() ? kEnglish : code;
    state.LoadRuntime = loadRuntime;
    // Our texts only: the programs we start keep the user's own language.
    SetOwnVariable("LANGUAGE", state.Language.toStdString());
    ApplyMessagesLocale();
    LoadRuntimeCatalogue();
}

QString CurrentLanguage()
{
    return State().Language;
}

std::optional<std::string> UserLanguageVariable()
{
    SaveUserLanguageVariable();
    return State().UserLanguage;
}

void InitTranslation(const QString& settingsFolder, const QString& configFileName,
                     const QStringList& extraDomains)
{
    const QString localeFolder = ProgramDataFolder() + QStringLiteral("locale");
    for (const char* domain : {kDefaultDomain, kDialogsDomain})
        BindDomain(domain, localeFolder);
    textdomain(kDefaultDomain);
    bool loadRuntime = false;
    for (const QString& domain : extraDomains) {
        if (domain == QLatin1String(kRuntimeDomain)) {
            loadRuntime = true;
            continue;
        }
        const QByteArray name = domain.toUtf8();
        BindDomain(name.constData(), localeFolder);
        AddResourceDomain(name);
    }
    SwitchLanguage(DetermineLanguage(settingsFolder, configFileName, CurrentTranslationContext()),
                   loadRuntime);
    if (QCoreApplication::instance() == nullptr)
        qAddPreRoutine(ReapplyAfterApplicationStart);
}
