#include "common/infra/IniFileUtils.h"

#include <cstdio>
#include <limits>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include "common/infra/Translate.h"

namespace {

constexpr qint64 kMaxSettingsFileSize = 64 * 1024 * 1024;
const QString kUnicodeSection = QStringLiteral("Unicode");
const QString kEncodingKey = QStringLiteral("Encoding");

// Windows-1252 characters 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString DecodeCp1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        text[i] = (b >= 0x80 && b < 0xA0) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return text;
}

QByteArray EncodeCp1252(const QString& text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        char out = '?';
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out = static_cast<char>(c);
        } else {
            for (int k = 0; k < 32; ++k)
                if (kCp1252High[k] == c)
                    out = static_cast<char>(0x80 + k);
        }
        bytes[i] = out;
    }
    return bytes;
}

QString Decode(const QByteArray& raw, TIniEncoding& encoding)
{
    const QByteArrayView data(raw);
    if (data.startsWith("\xEF\xBB\xBF")) {
        encoding = TIniEncoding::Utf8;
        return QString::fromUtf8(data.sliced(3));
    }
    if (data.startsWith("\xFF\xFE")) {
        encoding = TIniEncoding::Utf16LE;
        QStringDecoder dec(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless);
        return dec(data.sliced(2));
    }
    if (data.startsWith("\xFE\xFF")) {
        encoding = TIniEncoding::Utf16BE;
        QStringDecoder dec(QStringDecoder::Utf16BE, QStringDecoder::Flag::Stateless);
        return dec(data.sliced(2));
    }
    // No mark: UTF-8 when the bytes are valid UTF-8, otherwise the ANSI code page.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(data);
    if (!utf8.hasError()) {
        encoding = TIniEncoding::Utf8;
        return text;
    }
    encoding = TIniEncoding::Ansi;
    return DecodeCp1252(data);
}

// Trims every character up to and including the blank at both ends.
QStringView TrimControl(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 0x20)
        ++b;
    while (e > b && s[e - 1].unicode() <= 0x20)
        --e;
    return s.mid(b, e - b);
}

// Keeps the first entry of a name: lookups find the first of two equal names.
void InsertFirst(QHash<QString, qsizetype>& index, const QString& key, qsizetype value)
{
    if (!index.contains(key))
        index.insert(key, value);
}

QString Fold(const QString& name)
{
    return name.toCaseFolded();
}

std::optional<uint64_t> ParseHexDigits(QStringView digits, int maxDigits)
{
    if (digits.isEmpty() || digits.size() > maxDigits)
        return std::nullopt;
    uint64_t v = 0;
    for (QChar c : digits) {
        const char16_t u = c.unicode();
        int d = -1;
        if (u >= u'0' && u <= u'9')
            d = u - u'0';
        else if (u >= u'a' && u <= u'f')
            d = u - u'a' + 10;
        else if (u >= u'A' && u <= u'F')
            d = u - u'A' + 10;
        if (d < 0)
            return std::nullopt;
        v = (v << 4) | uint64_t(d);
    }
    return v;
}

// Parses the number rules for a signed value of the given width (32 or 64 bits).
// Hexadecimal values may use all bits of the width and wrap, as the stored files expect.
std::optional<int64_t> ParseIniNumber(const QString& raw, int bits)
{
    const QStringView text(raw);
    if (text.isEmpty())
        return std::nullopt;
    const int maxHex = bits / 4;
    if (text.size() > 2 && (text.startsWith(u"0x") || text.startsWith(u"0X"))) {
        auto v = ParseHexDigits(text.mid(2), maxHex);
        if (!v)
            return std::nullopt;
        return bits == 32 ? int64_t(int32_t(uint32_t(*v))) : int64_t(*v);
    }
    qsizetype pos = 0;
    bool negative = false;
    if (text[0] == u'-' || text[0] == u'+') {
        negative = text[0] == u'-';
        pos = 1;
    }
    if (pos < text.size() && text[pos] == u'$') {
        auto v = ParseHexDigits(text.mid(pos + 1), maxHex);
        if (!v)
            return std::nullopt;
        int64_t value = bits == 32 ? int64_t(int32_t(uint32_t(*v))) : int64_t(*v);
        return negative ? int64_t(0 - uint64_t(value)) : value;
    }
    const QStringView digits = text.mid(pos);
    if (digits.isEmpty())
        return std::nullopt;
    for (QChar c : digits)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    if (bits == 32 && (value < std::numeric_limits<int32_t>::min() ||
                       value > std::numeric_limits<int32_t>::max()))
        return std::nullopt;
    return value;
}

bool IsWriteProtected(const QFileInfo& info)
{
    // Like the read-only attribute elsewhere: a file without write permission for its owner is
    // not replaced, even by root.
    return info.exists() && info.isFile() && !(info.permissions() & QFileDevice::WriteOwner);
}

} // namespace

EWriteError::EWriteError(const QString& fileName)
    : std::runtime_error(Fmt(Tr("Error writing to \"%s\""), {fileName}).toStdString())
{}

EFOpenError::EFOpenError(const QString& fileName, const QString& reason)
    : std::runtime_error(Fmt(Tr("Cannot open file \"%s\". %s"), {fileName, reason}).toStdString())
{}

std::optional<int64_t> ParseIniInt64(const QString& text)
{
    return ParseIniNumber(text, 64);
}

std::optional<int32_t> ParseIniInt32(const QString& text)
{
    auto v = ParseIniNumber(text, 32);
    if (!v)
        return std::nullopt;
    return int32_t(*v);
}

// ---- TMemIniFile::Section ----

void TMemIniFile::Section::Reindex()
{
    keys.clear();
    keys.reserve(qsizetype(lines.size()));
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].isKey)
            InsertFirst(keys, Fold(lines[i].name), qsizetype(i));
}

const TMemIniFile::Line* TMemIniFile::Section::Find(const QString& ident) const
{
    auto it = keys.constFind(Fold(ident));
    return it == keys.cend() ? nullptr : &lines[size_t(*it)];
}

// ---- TMemIniFile ----

TMemIniFile::TMemIniFile(const QString& fileName) : FFileName(fileName)
{
    Load();
}

TMemIniFile::~TMemIniFile() = default;

void TMemIniFile::Load()
{
    if (FFileName.isEmpty())
        return;
    const QFileInfo info(FFileName);
    if (!info.exists())
        return;
    if (!info.isFile()) {
        std::fprintf(
            stderr, "%s\n",
            qPrintable(Fmt(Tr("\"%s\" is not a regular file and is not read."), {FFileName})));
        return;
    }
    if (info.size() > kMaxSettingsFileSize)
        throw EFOpenError(FFileName, Tr("The file is too large."));
    QFile file(FFileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(FFileName, file.errorString());
    // Read as long as the file is, not as long as it may be: a buffer of the largest size
    // would be allocated and cleared for every file.
    const QByteArray raw = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFOpenError(FFileName, file.errorString());
    if (raw.size() > kMaxSettingsFileSize)
        throw EFOpenError(FFileName, Tr("The file is too large."));
    ParseText(Decode(raw, FEncoding));
}

void TMemIniFile::ParseText(const QString& text)
{
    Section* current = nullptr;
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos <= n) {
        qsizetype end = pos;
        while (end < n && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QStringView line = TrimControl(QStringView(text).mid(pos, end - pos));
        if (end < n && text[end] == u'\r' && end + 1 < n && text[end + 1] == u'\n')
            ++end;
        pos = end + 1;

        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            current = &AddSection(TrimControl(line.mid(1, line.size() - 2)).toString());
            continue;
        }
        if (!current)
            continue;
        Line entry;
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0) {
            entry.name = TrimControl(line.left(eq)).toString();
            entry.value = TrimControl(line.mid(eq + 1)).toString();
            entry.isKey = true;
            InsertFirst(current->keys, Fold(entry.name), qsizetype(current->lines.size()));
        } else {
            entry.name = line.toString();
        }
        current->lines.push_back(std::move(entry));
    }
}

TMemIniFile::Section* TMemIniFile::FindSection(const QString& name)
{
    auto it = FSectionIndex.constFind(Fold(name));
    return it == FSectionIndex.cend() ? nullptr : &FSections[size_t(*it)];
}

const TMemIniFile::Section* TMemIniFile::FindSection(const QString& name) const
{
    auto it = FSectionIndex.constFind(Fold(name));
    return it == FSectionIndex.cend() ? nullptr : &FSections[size_t(*it)];
}

TMemIniFile::Section& TMemIniFile::AddSection(const QString& name)
{
    FSections.push_back(Section{name, {}, {}});
    InsertFirst(FSectionIndex, Fold(name), qsizetype(FSections.size() - 1));
    return FSections.back();
}

void TMemIniFile::ReindexSections()
{
    FSectionIndex.clear();
    for (size_t i = 0; i < FSections.size(); ++i)
        InsertFirst(FSectionIndex, Fold(FSections[i].name), qsizetype(i));
}

QString TMemIniFile::ReadString(const QString& section, const QString& ident,
                                const QString& def) const
{
    const Section* s = FindSection(section);
    const Line* line = s ? s->Find(ident) : nullptr;
    return line ? line->value : def;
}

void TMemIniFile::WriteString(const QString& section, const QString& ident, const QString& value)
{
    Section* s = FindSection(section);
    if (!s)
        s = &AddSection(section);
    auto it = s->keys.constFind(Fold(ident));
    if (it != s->keys.cend()) {
        s->lines[size_t(*it)].value = value;
        return;
    }
    s->keys.insert(Fold(ident), qsizetype(s->lines.size()));
    s->lines.push_back(Line{ident, value, true});
}

int TMemIniFile::ReadInteger(const QString& section, const QString& ident, int def) const
{
    return ParseIniInt32(ReadString(section, ident, QString())).value_or(def);
}

void TMemIniFile::WriteInteger(const QString& section, const QString& ident, int value)
{
    WriteString(section, ident, QString::number(value));
}

int64_t TMemIniFile::ReadInt64(const QString& section, const QString& ident, int64_t def) const
{
    return ParseIniInt64(ReadString(section, ident, QString())).value_or(def);
}

void TMemIniFile::WriteInt64(const QString& section, const QString& ident, int64_t value)
{
    WriteString(section, ident, QString::number(qint64(value)));
}

bool TMemIniFile::ReadBool(const QString& section, const QString& ident, bool def) const
{
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TMemIniFile::WriteBool(const QString& section, const QString& ident, bool value)
{
    WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TMemIniFile::SectionExists(const QString& section) const
{
    const Section* s = FindSection(section);
    return s && !s->lines.empty();
}

bool TMemIniFile::ValueExists(const QString& section, const QString& ident) const
{
    const Section* s = FindSection(section);
    return s && s->Find(ident);
}

void TMemIniFile::ReadSection(const QString& section, QStringList& keys) const
{
    keys.clear();
    if (const Section* s = FindSection(section))
        for (const Line& line : s->lines)
            if (line.isKey)
                keys.append(line.name);
}

void TMemIniFile::ReadSections(QStringList& sections) const
{
    sections.clear();
    for (const Section& s : FSections)
        sections.append(s.name);
}

void TMemIniFile::ReadSectionValues(const QString& section, QStringList& lines) const
{
    lines.clear();
    if (const Section* s = FindSection(section))
        for (const Line& line : s->lines)
            lines.append(line.isKey ? line.name + u'=' + line.value : line.name);
}

void TMemIniFile::EraseSection(const QString& section)
{
    auto it = FSectionIndex.constFind(Fold(section));
    if (it == FSectionIndex.cend())
        return;
    FSections.erase(FSections.begin() + *it);
    ReindexSections();
}

void TMemIniFile::EraseSectionValues(const QString& section)
{
    if (Section* s = FindSection(section)) {
        s->lines.clear();
        s->keys.clear();
    }
}

void TMemIniFile::DeleteKey(const QString& section, const QString& ident)
{
    Section* s = FindSection(section);
    if (!s)
        return;
    auto it = s->keys.constFind(Fold(ident));
    if (it == s->keys.cend())
        return;
    s->lines.erase(s->lines.begin() + *it);
    s->Reindex();
}

void TMemIniFile::Clear()
{
    FSections.clear();
    FSectionIndex.clear();
}

QString TMemIniFile::Text() const
{
    QString out;
    qsizetype size = 0;
    for (const Section& s : FSections) {
        size += s.name.size() + 6;
        for (const Line& line : s.lines)
            size += line.name.size() + line.value.size() + 3;
    }
    out.reserve(size);
    for (const Section& s : FSections) {
        out += u'[';
        out += s.name;
        out += u"]\r\n";
        for (const Line& line : s.lines) {
            out += line.name;
            if (line.isKey) {
                out += u'=';
                out += line.value;
            }
            out += u"\r\n";
        }
        out += u"\r\n";
    }
    return out;
}

QByteArray TMemIniFile::Encode() const
{
    const QString text = Text();
    switch (FEncoding) {
    case TIniEncoding::Ansi:
        return EncodeCp1252(text);
    case TIniEncoding::Utf8:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case TIniEncoding::Utf16LE: {
        QStringEncoder enc(QStringEncoder::Utf16LE, QStringEncoder::Flag::Stateless);
        return QByteArray("\xFF\xFE") + QByteArray(enc(text));
    }
    case TIniEncoding::Utf16BE: {
        QStringEncoder enc(QStringEncoder::Utf16BE, QStringEncoder::Flag::Stateless);
        return QByteArray("\xFE\xFF") + QByteArray(enc(text));
    }
    }
    return {};
}

void TMemIniFile::UpdateFile()
{
    const QFileInfo info(FFileName);
    if (FFileName.isEmpty() || IsWriteProtected(info) || info.isDir())
        throw EWriteError(FFileName);
    const bool isNew = !info.exists();
    QSaveFile file(FFileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EWriteError(FFileName);
    // Settings files may hold stored passwords: a new one is private to its owner.
    // An existing file keeps its mode (QSaveFile copies it).
    if (isNew)
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray bytes = Encode();
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw EWriteError(FFileName);
}

// ---- TUnicodeIniFile ----

TUnicodeIniFile::TUnicodeIniFile(const QString& fileName, bool readOnly)
    : TMemIniFile(fileName), FReadOnly(readOnly)
{}

std::unique_ptr<TUnicodeIniFile> TUnicodeIniFile::CreateForRead(const QString& fileName)
{
    return std::unique_ptr<TUnicodeIniFile>(new TUnicodeIniFile(fileName, true));
}

std::unique_ptr<TUnicodeIniFile> TUnicodeIniFile::CreateForWrite(const QString& fileName,
                                                                 bool clearEntries)
{
    std::unique_ptr<TUnicodeIniFile> ini(new TUnicodeIniFile(fileName, false));
    if (clearEntries)
        ini->Clear();
    ini->SetEncoding(TIniEncoding::Utf16LE);
    if (!ini->ValueExists(kUnicodeSection, kEncodingKey))
        ini->WriteString(kUnicodeSection, kEncodingKey, QStringLiteral("UTF-16LE"));
    return ini;
}

TUnicodeIniFile::~TUnicodeIniFile()
{
    if (FReadOnly || FClosed)
        return;
    try {
        UpdateFile();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
}

void TUnicodeIniFile::WriteProgramInfo(const QString& ident, const QString& value)
{
    WriteString(kUnicodeSection, ident, value);
}

void TUnicodeIniFile::Close()
{
    if (FReadOnly || FClosed)
        return;
    FClosed = true;
    UpdateFile();
}

bool ReadIniBool(const QString& fileName, const QString& section, const QString& ident, bool def)
{
    try {
        const TMemIniFile ini(fileName);
        return ini.ReadBool(section, ident, def);
    } catch (const std::exception&) {
        return def;
    }
}
