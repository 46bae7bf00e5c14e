#include "common/ui/ShowMemoText.h"

#include <algorithm>
#include <cmath>

#include <QBuffer>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include "common/infra/IniFileUtils.h"
#include "common/infra/Translate.h"

namespace {

// Every code page the viewer may offer; those the converter does not know are left out.
const TCodePage kCodePageTable[] = {
    {437, "IBM437", "OEM - United States"},
    {850, "IBM850", "OEM - Multilingual Latin I"},
    {852, "IBM852", "OEM - Latin II"},
    {866, "IBM866", "OEM - Russian"},
    {874, "windows-874", "ANSI/OEM - Thai"},
    {932, "Shift_JIS", "ANSI/OEM - Japanese Shift-JIS"},
    {936, "GBK", "ANSI/OEM - Simplified Chinese GBK"},
    {949, "windows-949", "ANSI/OEM - Korean"},
    {950, "Big5", "ANSI/OEM - Traditional Chinese Big5"},
    {kCpUtf16LE, "UTF-16LE", "Unicode UTF-16, little endian"},
    {kCpUtf16BE, "UTF-16BE", "Unicode UTF-16, big endian"},
    {1250, "windows-1250", "ANSI - Central Europe"},
    {1251, "windows-1251", "ANSI - Cyrillic"},
    {kAnsiCodePage, "windows-1252", "ANSI - Latin I"},
    {1253, "windows-1253", "ANSI - Greek"},
    {1254, "windows-1254", "ANSI - Turkish"},
    {1255, "windows-1255", "ANSI - Hebrew"},
    {1256, "windows-1256", "ANSI - Arabic"},
    {1257, "windows-1257", "ANSI - Baltic"},
    {1258, "windows-1258", "ANSI/OEM - Viet Nam"},
    {20866, "KOI8-R", "Russian - KOI8"},
    {21866, "KOI8-U", "Ukrainian - KOI8-U"},
    {28591, "ISO-8859-1", "ISO 8859-1 Latin I"},
    {28592, "ISO-8859-2", "ISO 8859-2 Central Europe"},
    {28593, "ISO-8859-3", "ISO 8859-3 Latin 3"},
    {28594, "ISO-8859-4", "ISO 8859-4 Baltic"},
    {28595, "ISO-8859-5", "ISO 8859-5 Cyrillic"},
    {28596, "ISO-8859-6", "ISO 8859-6 Arabic"},
    {28597, "ISO-8859-7", "ISO 8859-7 Greek"},
    {28598, "ISO-8859-8", "ISO 8859-8 Hebrew"},
    {28599, "ISO-8859-9", "ISO 8859-9 Latin 5"},
    {28603, "ISO-8859-13", "ISO 8859-13 Estonian"},
    {28605, "ISO-8859-15", "ISO 8859-15 Latin 9"},
    {kCpUtf8, "UTF-8", "Unicode UTF-8"},
};

const TCodePage* FindCodePage(int number)
{
    const auto& pages = AvailableCodePages();
    const auto it = std::find_if(pages.begin(), pages.end(),
                                 [number](const TCodePage& p) { return p.number == number; });
    return it == pages.end() ? nullptr : &*it;
}

// UTF-16 without a mark shows itself by zero bytes in every other place (ASCII-heavy text).
int GuessUtf16(QByteArrayView bytes)
{
    constexpr qsizetype kSample = 64 * 1024;
    const qsizetype pairs = std::min(bytes.size(), kSample) / 2;
    if (pairs < 2)
        return 0;
    qsizetype evenZeros = 0, oddZeros = 0;
    for (qsizetype i = 0; i < pairs; ++i) {
        evenZeros += bytes[2 * i] == '\0';
        oddZeros += bytes[2 * i + 1] == '\0';
    }
    const auto most = [pairs](qsizetype n) { return n * 10 >= pairs * 4; };
    const auto few = [pairs](qsizetype n) { return n * 20 <= pairs; };
    if (most(oddZeros) && few(evenZeros))
        return kCpUtf16LE;
    if (most(evenZeros) && few(oddZeros))
        return kCpUtf16BE;
    return 0;
}

struct TMarkedCodePage {
    QByteArrayView mark;
    int codePage;
};

const TMarkedCodePage kMarks[] = {
    {"\xEF\xBB\xBF", kCpUtf8},
    {"\xFF\xFE", kCpUtf16LE},
    {"\xFE\xFF", kCpUtf16BE},
};

enum class TDecodeResult { Decoded, Undecodable, ReadError };

// Decodes the whole device in pieces, so that no copy of a large file is held in memory.
// Bytes appended while it reads are left for the next load.
TDecodeResult Decode(QIODevice& device, int codePage, QString& text)
{
    constexpr qint64 kPiece = 1024 * 1024;
    const TCodePage* page = FindCodePage(codePage);
    if (!page)
        return TDecodeResult::Undecodable;
    if (!device.seek(0))
        return TDecodeResult::ReadError;
    qint64 left = device.size();
    for (const auto& m : kMarks)
        if (m.codePage == codePage && device.peek(m.mark.size()) == m.mark) {
            device.skip(m.mark.size());
            left -= m.mark.size();
        }
    QStringDecoder decoder(page->converterName);
    // No code page makes more characters than bytes; the slack holds a decoder's carry.
    text.resize(std::max<qint64>(left, 0) + 16);
    QChar* out = text.data();
    QByteArray piece(kPiece, Qt::Uninitialized);
    while (left > 0) {
        const qint64 n = device.read(piece.data(), std::min(left, kPiece));
        if (n < 0)
            return TDecodeResult::ReadError;
        if (n == 0)
            break;
        out = decoder.appendToBuffer(out, QByteArrayView(piece.constData(), n));
        left -= n;
    }
    text.truncate(out - text.constData());
    return decoder.hasError() ? TDecodeResult::Undecodable : TDecodeResult::Decoded;
}

// The code page a byte-order mark names, else UTF-16 by its zero bytes; 0: neither.
int MarkedOrUtf16(QByteArrayView bytes)
{
    for (const auto& m : kMarks)
        if (bytes.startsWith(m.mark))
            return m.codePage;
    return GuessUtf16(bytes);
}

} // namespace

const std::vector<TCodePage>& AvailableCodePages()
{
    static const std::vector<TCodePage> pages = [] {
        std::vector<TCodePage> list;
        for (const TCodePage& page : kCodePageTable)
            if (QStringDecoder(page.converterName).isValid())
                list.push_back(page);
        return list;
    }();
    return pages;
}

QStringList CodePageChoice(std::vector<int>& numbers)
{
    std::vector<std::pair<QString, int>> entries;
    for (const TCodePage& page : AvailableCodePages())
        entries.emplace_back(
            Fmt(QStringLiteral("%s - (%u)"),
                {QString::fromLatin1(page.description), QString::number(page.number)}),
            page.number);
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return QString::localeAwareCompare(a.first, b.first) < 0;
    });
    // " Automatic" leads the list whatever the collation makes of its blank.
    entries.insert(entries.begin(), {QStringLiteral(" ") + TrDialogs("Automatic"), 0});
    QStringList texts;
    numbers.clear();
    for (const auto& [text, number] : entries) {
        texts.append(text);
        numbers.push_back(number);
    }
    return texts;
}

TDecodedText DecodeLogBytes(QByteArrayView bytes, int codePage)
{
    QByteArray raw = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer buffer(&raw);
    buffer.open(QIODevice::ReadOnly);
    return DecodeLogDevice(buffer, codePage).value_or(TDecodedText());
}

std::optional<TDecodedText> DecodeLogDevice(QIODevice& device, int codePage)
{
    constexpr qint64 kSample = 64 * 1024;
    if (!device.seek(0))
        return std::nullopt;
    TDecodedText result;
    const int named = codePage > 0 ? codePage : MarkedOrUtf16(device.peek(kSample));
    // Without a mark, valid UTF-8 is taken as such: one pass decodes and checks.
    result.codePage = named > 0 ? named : kCpUtf8;
    TDecodeResult decoded = Decode(device, result.codePage, result.text);
    if (decoded == TDecodeResult::Undecodable) {
        result.invalid = named > 0;
        result.codePage = kAnsiCodePage;
        decoded = Decode(device, kAnsiCodePage, result.text);
    }
    if (decoded == TDecodeResult::ReadError)
        return std::nullopt;
    if (result.text.contains(QChar(u'\0')))
        result.text.remove(QChar(u'\0'));
    return result;
}

QByteArray EncodeLogText(const QString& text, int codePage)
{
    const TCodePage* page = FindCodePage(codePage);
    QStringEncoder encoder(page ? page->converterName : "windows-1252",
                           QStringEncoder::Flag::Stateless);
    return encoder(text);
}

void TLineIndex::Build(const QString& text)
{
    FStarts.clear();
    FLengths.clear();
    FLongest = 0;
    const QChar* data = text.constData();
    const qsizetype size = text.size();
    qsizetype start = 0;
    FStarts.reserve(size_t(size / 64) + 1); // a guess that spares most regrowth in long logs
    FLengths.reserve(size_t(size / 64) + 1);
    auto endLine = [&](qsizetype end) {
        FStarts.push_back(start);
        FLengths.push_back(end - start);
        FLongest = std::max(FLongest, end - start);
    };
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = data[i].unicode();
        if (c != u'\n' && c != u'\r')
            continue;
        endLine(i);
        if (c == u'\r' && i + 1 < size && data[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    endLine(size);
}

qsizetype TLineIndex::LineOf(qsizetype pos) const
{
    const auto it = std::upper_bound(FStarts.begin(), FStarts.end(), pos);
    return std::max<qsizetype>(0, (it - FStarts.begin()) - 1);
}

namespace {

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

bool IsWholeWord(const QString& text, qsizetype pos, qsizetype length)
{
    const bool startOk = pos == 0 || !IsWordChar(text[pos - 1]);
    const bool endOk = pos + length >= text.size() || !IsWordChar(text[pos + length]);
    return startOk && endOk;
}

} // namespace

qsizetype FindInText(const QString& text, const QString& what, qsizetype from,
                     const TSearchOptions& options)
{
    if (what.isEmpty())
        return -1;
    const Qt::CaseSensitivity cs = options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    qsizetype pos = from;
    while (true) {
        if (options.down) {
            pos = text.indexOf(what, pos, cs);
        } else {
            // The match must end before `from`.
            const qsizetype last = pos - what.size();
            pos = last < 0 ? -1 : text.lastIndexOf(what, last, cs);
        }
        if (pos < 0 || !options.wholeWord || IsWholeWord(text, pos, what.size()))
            return pos;
        pos += options.down ? 1 : what.size() - 1;
    }
}

QStringList BreakPrintLine(const QString& line, const std::function<bool(const QString&)>& fits)
{
    static const QString kBreakChars = QStringLiteral(" \\}");
    QStringList rows;
    QString rest = line;
    QString prefix;
    while (true) {
        if (fits(prefix + rest)) {
            rows.append(prefix + rest);
            return rows;
        }
        qsizetype taken = 0;
        while (taken < rest.size()) {
            qsizetype end = taken;
            while (end < rest.size() && !kBreakChars.contains(rest[end]))
                ++end;
            end = std::min(end + 1, rest.size());
            if (!fits(prefix + rest.left(end)))
                break;
            taken = end;
        }
        if (taken == 0) {
            while (taken < rest.size() && fits(prefix + rest.left(taken + 1)))
                ++taken;
            taken = std::max<qsizetype>(taken, 1); // a row always takes something
        }
        rows.append(prefix + rest.left(taken));
        rest = rest.mid(taken);
        if (rest.isEmpty())
            return rows;
        prefix = QStringLiteral("* ");
    }
}

QString ShortenPath(const QString& path, int maxLength)
{
    if (path.size() <= maxLength)
        return path;
    const QChar sep = path.contains(u'/') ? u'/' : u'\\';
    QStringList parts = path.split(sep);
    if (parts.size() < 3)
        return path.right(maxLength);
    QString head = parts.takeFirst();
    if (head.isEmpty()) // an absolute path keeps its first folder
        head = sep + parts.takeFirst();
    const QString ellipsis = QStringLiteral("...");
    while (parts.size() > 1) {
        parts.removeFirst();
        const QString candidate = head + sep + ellipsis + sep + parts.join(sep);
        if (candidate.size() <= maxLength)
            return candidate;
    }
    const QString tail = ellipsis + sep + parts.constLast();
    return tail.size() <= maxLength ? tail : tail.right(maxLength);
}

int PrintFontHeight(int points)
{
    return int(std::nearbyint(points * 3.53)); // halves go to the even number
}

void TPrinterSettings::Init()
{
    PrtName.clear();
    Margins = {200, 150, 100, 150};
    Feed = 0;
    FontName = QStringLiteral("Courier New");
    FontSize = 10;
    FontStyle = 0;
    Orientation = 0;
}

namespace {

QString& LastSettingsFile()
{
    static QString file;
    return file;
}

const QString kPrinterName = QStringLiteral("Printer");
const QString kViewSection = QStringLiteral("View");
// Margins above a metre and fonts above 200 points are taken as broken values.
constexpr int kMaxMargin = 10000;
constexpr int kMaxFontSize = 200;
constexpr int kFontStyleBits = fsBold | fsItalic | fsUnderline | fsStrikeOut;

int ReadInRange(const TMemIniFile& ini, const QString& section, const QString& key, int def,
                int low, int high)
{
    const int value = ini.ReadInteger(section, key, def);
    return value < low || value > high ? def : value;
}

int ReadFontStyle(const TMemIniFile& ini, const QString& section, int def)
{
    const int style = ini.ReadInteger(section, QStringLiteral("FontStyle"), def);
    return (style & ~kFontStyleBits) ? def : style;
}

QString ReadNonEmpty(const TMemIniFile& ini, const QString& section, const QString& key,
                     const QString& def)
{
    const QString value = ini.ReadString(section, key, def).trimmed();
    return value.isEmpty() ? def : value;
}

} // namespace

void LoadPrinterSettings(const QString& fileName, const QString& section,
                         TPrinterSettings& settings)
{
    LastSettingsFile() = fileName;
    if (fileName.isEmpty() || section.isEmpty())
        return;
    try {
        const TMemIniFile ini(fileName);
        TPrinterSettings def;
        settings.PrtName = ini.ReadString(section, kPrinterName, def.PrtName);
        settings.Margins.Top =
            ReadInRange(ini, section, "TopMargin", def.Margins.Top, 0, kMaxMargin);
        settings.Margins.Bottom =
            ReadInRange(ini, section, "BottomMargin", def.Margins.Bottom, 0, kMaxMargin);
        settings.Margins.Left =
            ReadInRange(ini, section, "LeftMargin", def.Margins.Left, 0, kMaxMargin);
        settings.Margins.Right =
            ReadInRange(ini, section, "RightMargin", def.Margins.Right, 0, kMaxMargin);
        settings.FontName = ReadNonEmpty(ini, section, "FontName", def.FontName);
        settings.FontSize = ReadInRange(ini, section, "FontSize", def.FontSize, 1, kMaxFontSize);
        settings.FontStyle = ReadFontStyle(ini, section, def.FontStyle);
        settings.Orientation = ReadInRange(ini, section, "Orientation", 0, 0, 1);
    } catch (const EFOpenError&) {
        settings.Init();
    }
}

QString ViewSettingsFile()
{
    return LastSettingsFile();
}

bool ReadViewSettings(const QString& fileName, TViewSettings& settings)
{
    if (!QFileInfo(fileName).isFile())
        return false;
    try {
        const TMemIniFile ini(fileName);
        constexpr int kFar = 100000;
        settings.Top = ReadInRange(ini, kViewSection, "Top", settings.Top, -kFar, kFar);
        settings.Left = ReadInRange(ini, kViewSection, "Left", settings.Left, -kFar, kFar);
        settings.Height = ReadInRange(ini, kViewSection, "Height", settings.Height, 0, kFar);
        settings.Width = ReadInRange(ini, kViewSection, "Width", settings.Width, 0, kFar);
        settings.ExportPath = ReadNonEmpty(ini, kViewSection, "ExportPath", settings.ExportPath);
        settings.FontName = ReadNonEmpty(ini, kViewSection, "FontName", settings.FontName);
        settings.FontSize =
            ReadInRange(ini, kViewSection, "FontSize", settings.FontSize, 1, kMaxFontSize);
        settings.FontStyle = ReadFontStyle(ini, kViewSection, 0);
        return true;
    } catch (const EFOpenError&) {
        return false;
    }
}

bool WriteViewSettings(const QString& fileName, const TViewSettings& settings)
{
    if (!QFileInfo(fileName).isFile())
        return false;
    try {
        TMemIniFile ini(fileName);
        ini.WriteInteger(kViewSection, "Top", settings.Top);
        ini.WriteInteger(kViewSection, "Left", settings.Left);
        ini.WriteInteger(kViewSection, "Height", settings.Height);
        ini.WriteInteger(kViewSection, "Width", settings.Width);
        ini.WriteString(kViewSection, "ExportPath", settings.ExportPath);
        ini.WriteString(kViewSection, "FontName", settings.FontName);
        ini.WriteInteger(kViewSection, "FontSize", settings.FontSize);
        ini.WriteInteger(kViewSection, "FontStyle", settings.FontStyle);
        ini.UpdateFile();
        return true;
    } catch (const std::runtime_error&) {
        return false;
    }
}
