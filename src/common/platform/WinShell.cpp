#include "common/platform/WinShell.h"

#include <sstream>
#include <string_view>

#include "common/platform/CommandLine.h"

namespace {

// Characters that force an Exec argument into quotes.
constexpr std::string_view kReservedChars = " \t\n\"'\\><~|&;$*?#()`";
// Characters escaped with a backslash inside quotes.
constexpr std::string_view kQuotedEscapes = "\"`$\\";

constexpr std::string_view kEntryGroup = "[Desktop Entry]";
constexpr std::string_view kRunAsKey = "X-Kv-RunAsAdmin";

bool Contains(std::string_view set, char c)
{
    return set.find(c) != std::string_view::npos;
}

bool NeedsExecQuotes(const std::string& argument)
{
    return argument.empty() || argument.find_first_of(kReservedChars) != std::string::npos;
}

// Walks an Exec value word by word.
class TExecSplitter {
public:
    explicit TExecSplitter(const std::string& exec) : FText(exec) {}

    std::vector<std::string> Words()
    {
        for (FPos = 0; FPos < FText.size(); ++FPos)
            Step(FText[FPos]);
        EndWord();
        return FWords;
    }

private:
    void Step(char c)
    {
        if (FQuote == '"')
            InDoubleQuotes(c);
        else if (FQuote == '\'')
            InSingleQuotes(c);
        else
            Unquoted(c);
    }

    void InDoubleQuotes(char c)
    {
        if (c == '"')
            FQuote = 0;
        else if (c == '\\' && FPos + 1 < FText.size() && Contains(kQuotedEscapes, FText[FPos + 1]))
            FWord += FText[++FPos];
        else
            Literal(c);
    }

    void InSingleQuotes(char c)
    {
        if (c == '\'')
            FQuote = 0;
        else
            Literal(c);
    }

    void Unquoted(char c)
    {
        if (c == ' ' || c == '\t' || c == '\n') {
            EndWord();
        } else if (c == '"' || c == '\'') {
            FQuote = c;
            FInWord = true;
        } else if (c == '\\' && FPos + 1 < FText.size()) {
            FWord += FText[++FPos];
            FInWord = true;
        } else {
            Literal(c);
        }
    }

    // Adds a character; "%%" is one "%", any other field code is dropped.
    void Literal(char c)
    {
        if (c == '%' && FPos + 1 < FText.size()) {
            if (FText[++FPos] == '%')
                FWord += '%';
        } else {
            FWord += c;
        }
        FInWord = FInWord || !FWord.empty() || FQuote != 0;
    }

    void EndWord()
    {
        if (FInWord || !FWord.empty())
            FWords.push_back(FWord);
        FWord.clear();
        FInWord = false;
    }

    const std::string& FText;
    std::size_t FPos = 0;
    std::vector<std::string> FWords;
    std::string FWord;
    char FQuote = 0;
    bool FInWord = false;
};

std::string Trim(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(const std::string& text)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int high = i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        if (text[i] == '%' && low >= 0) {
            result += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            result += text[i];
        }
    }
    return result;
}

// The local path of a "file:" URL; empty for other URLs.
std::string LocalPathOfUrl(const std::string& url)
{
    constexpr std::string_view kFileScheme = "file://";
    if (StartsWith(url, kFileScheme))
        return PercentDecoded(url.substr(kFileScheme.size()));
    return StartsWith(url, "/") ? url : std::string();
}

struct TEntryKeys {
    std::string type, name, exec, path, url, runAs;
};

void TakeKey(TEntryKeys& keys, const std::string& key, const std::string& value)
{
    struct TKeySlot {
        std::string_view key;
        std::string TEntryKeys::*slot;
    };
    static constexpr TKeySlot kSlots[] = {
        {"Type", &TEntryKeys::type}, {"Name", &TEntryKeys::name}, {"Exec", &TEntryKeys::exec},
        {"Path", &TEntryKeys::path}, {"URL", &TEntryKeys::url},   {kRunAsKey, &TEntryKeys::runAs},
    };
    for (const TKeySlot& s : kSlots)
        if (key == s.key)
            keys.*s.slot = UnescapeDesktopValue(value);
}

// The keys of the launcher group; false when the text has no such group.
bool ReadEntryKeys(const std::string& text, TEntryKeys& keys)
{
    std::istringstream lines(text);
    std::string line;
    bool inEntry = false, found = false;
    while (std::getline(lines, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inEntry = line == kEntryGroup;
            found = found || inEntry;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (inEntry && equals != std::string::npos)
            TakeKey(keys, Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
    }
    return found;
}

} // namespace

std::string DesktopExecQuote(const std::string& argument)
{
    const bool quoted = NeedsExecQuotes(argument);
    std::string result = quoted ? "\"" : "";
    for (char c : argument) {
        if (quoted && Contains(kQuotedEscapes, c))
            result += '\\';
        result += c;
        if (c == '%')
            result += '%';
    }
    if (quoted)
        result += '"';
    return result;
}

std::string DesktopExecLine(const std::vector<std::string>& argv)
{
    std::string line;
    for (const std::string& argument : argv) {
        if (!line.empty())
            line += ' ';
        line += DesktopExecQuote(argument);
    }
    return line;
}

std::vector<std::string> SplitDesktopExec(const std::string& exec)
{
    return TExecSplitter(exec).Words();
}

std::string EscapeDesktopValue(const std::string& value)
{
    std::string result;
    for (std::size_t i = 0; i < value.size(); ++i) {
        switch (value[i]) {
        case '\\':
            result += "\\\\";
            break;
        case '\n':
            result += "\\n";
            break;
        case '\t':
            result += "\\t";
            break;
        case '\r':
            result += "\\r";
            break;
        case ' ':
            // Readers drop blanks at either end of a value.
            result += i == 0 || i + 1 == value.size() ? "\\s" : " ";
            break;
        default:
            result += value[i];
        }
    }
    return result;
}

std::string UnescapeDesktopValue(const std::string& value)
{
    std::string result;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            result += value[i];
            continue;
        }
        switch (value[++i]) {
        case 's':
            result += ' ';
            break;
        case 'n':
            result += '\n';
            break;
        case 't':
            result += '\t';
            break;
        case 'r':
            result += '\r';
            break;
        case '\\':
            result += '\\';
            break;
        default:
            result += '\\', result += value[i];
        }
    }
    return result;
}

std::string JoinCommandLine(const std::vector<std::string>& words)
{
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty())
            line += ' ';
        if (!NeedsCommandLineQuotes(word)) {
            line += word;
            continue;
        }
        line += '"';
        for (char c : word)
            line += c == '"' ? std::string("\"\"") : std::string(1, c);
        line += '"';
    }
    return line;
}

std::string DesktopEntryText(const TShortcutLink& link, const std::string& name,
                             const std::string& icon)
{
    std::vector<std::string> argv{link.target};
    for (std::string& word : SplitCommandLine(link.arguments))
        argv.push_back(std::move(word));
    std::string text = std::string(kEntryGroup) + "\nType=Application\nVersion=1.0\n";
    text += "Name=" + EscapeDesktopValue(link.description.empty() ? name : link.description) + '\n';
    text += "Exec=" + EscapeDesktopValue(DesktopExecLine(argv)) + '\n';
    if (!link.workingFolder.empty())
        text += "Path=" + EscapeDesktopValue(link.workingFolder) + '\n';
    if (!icon.empty())
        text += "Icon=" + EscapeDesktopValue(icon) + '\n';
    text += "Terminal=false\n";
    // A launcher cannot ask for administrator rights; the wish is kept for reading back.
    if (link.runAsAdmin)
        text += std::string(kRunAsKey) + "=true\n";
    return text;
}

bool ParseDesktopEntry(const std::string& text, TShortcutLink& link)
{
    link = TShortcutLink();
    TEntryKeys keys;
    if (!ReadEntryKeys(text, keys))
        return false;
    link.description = keys.name;
    link.workingFolder = keys.path;
    link.runAsAdmin = keys.runAs == "true";
    if (keys.type == "Link") {
        link.target = LocalPathOfUrl(keys.url);
        return true;
    }
    std::vector<std::string> argv = SplitDesktopExec(keys.exec);
    if (!argv.empty()) {
        link.target = argv.front();
        link.arguments = JoinCommandLine({argv.begin() + 1, argv.end()});
    }
    return true;
}

std::string DesktopFolderFromUserDirs(const std::string& text, const std::string& home)
{
    std::istringstream lines(text);
    std::string line, folder;
    while (std::getline(lines, line)) {
        line = Trim(line);
        if (!StartsWith(line, "XDG_DESKTOP_DIR="))
            continue;
        std::string value = line.substr(line.find('=') + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (StartsWith(value, "$HOME"))
            value = home + value.substr(5);
        if (StartsWith(value, "/"))
            folder = value;
    }
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}
