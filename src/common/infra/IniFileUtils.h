#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include <QHash>
#include <QString>
#include <QStringList>

// A settings file could not be written; the message names the file.
class EWriteError : public std::runtime_error {
public:
    explicit EWriteError(const QString& fileName);
    QString Message() const { return QString::fromUtf8(what()); }
};

// A settings file exists but could not be opened or read.
class EFOpenError : public std::runtime_error {
public:
    EFOpenError(const QString& fileName, const QString& reason);
    QString Message() const { return QString::fromUtf8(what()); }
};

enum class TIniEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

// In-memory INI document: read whole, changed in memory, written whole.
// Section and key names compare without regard to case; the first of two equal names wins.
class TMemIniFile {
public:
    struct Line {
        QString name; // the whole text for a line without "="
        QString value;
        bool isKey = false;
    };
    struct Section {
        QString name;
        std::vector<Line> lines;
        QHash<QString, qsizetype> keys; // folded key name -> first line holding it
        void Reindex();
        const Line* Find(const QString& ident) const;
    };

    // Loads the file; a missing file (or empty name) gives an empty document.
    // Throws EFOpenError when the file exists but cannot be read.
    explicit TMemIniFile(const QString& fileName);
    virtual ~TMemIniFile();
    TMemIniFile(const TMemIniFile&) = delete;
    TMemIniFile& operator=(const TMemIniFile&) = delete;

    const QString& FileName() const { return FFileName; }
    TIniEncoding Encoding() const { return FEncoding; }
    void SetEncoding(TIniEncoding encoding) { FEncoding = encoding; }

    QString ReadString(const QString& section, const QString& ident, const QString& def) const;
    void WriteString(const QString& section, const QString& ident, const QString& value);
    int ReadInteger(const QString& section, const QString& ident, int def) const;
    void WriteInteger(const QString& section, const QString& ident, int value);
    int64_t ReadInt64(const QString& section, const QString& ident, int64_t def) const;
    void WriteInt64(const QString& section, const QString& ident, int64_t value);
    bool ReadBool(const QString& section, const QString& ident, bool def) const;
    void WriteBool(const QString& section, const QString& ident, bool value);

    // True only when the section exists and holds at least one line.
    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& ident) const;
    void ReadSection(const QString& section, QStringList& keys) const;
    void ReadSections(QStringList& sections) const;
    void ReadSectionValues(const QString& section, QStringList& lines) const;
    // Removes the first section of that name with all its lines.
    void EraseSection(const QString& section);
    // Removes all lines of the section but keeps its header.
    void EraseSectionValues(const QString& section);
    void DeleteKey(const QString& section, const QString& ident);
    // Removes every section.
    void Clear();

    // Writes the whole document now: to a temporary file in the same folder, then renamed
    // over the old one. Throws EWriteError; the old file stays as it was.
    void UpdateFile();

    // Document text as written (without the byte-order mark).
    QString Text() const;

protected:
    // The first section of that name, or nullptr.
    Section* FindSection(const QString& name);
    const Section* FindSection(const QString& name) const;
    Section& AddSection(const QString& name);

private:
    void Load();
    void ParseText(const QString& text);
    void ReindexSections();
    QByteArray Encode() const;

    QString FFileName;
    TIniEncoding FEncoding = TIniEncoding::Utf8;
    std::vector<Section> FSections;
    QHash<QString, qsizetype> FSectionIndex; // folded name -> first section of that name
};

// The settings file of both programs: always written as UTF-16LE with a byte-order mark and a
// [Unicode] section. In write mode the document is written when the object is closed or
// destroyed; Close() reports a failed write as EWriteError, the destructor only on stderr.
class TUnicodeIniFile : public TMemIniFile {
public:
    static std::unique_ptr<TUnicodeIniFile> CreateForRead(const QString& fileName);
    static std::unique_ptr<TUnicodeIniFile> CreateForWrite(const QString& fileName,
                                                           bool clearEntries);
    ~TUnicodeIniFile() override;

    // Writes Ident=Value into section "Unicode" (Program, Version).
    void WriteProgramInfo(const QString& ident, const QString& value);
    // Writes the document (write mode only) and ends the object's writing; throws EWriteError.
    void Close();
    bool IsReadOnly() const { return FReadOnly; }

private:
    TUnicodeIniFile(const QString& fileName, bool readOnly);

    bool FReadOnly;
    bool FClosed = false;
};

// Reads one Boolean from an INI file of another program; never writes, never throws.
bool ReadIniBool(const QString& fileName, const QString& section, const QString& ident, bool def);

// Number rules of the settings file: "0x"/"0X" or "$" hexadecimal, otherwise decimal with sign.
std::optional<int64_t> ParseIniInt64(const QString& text);
std::optional<int32_t> ParseIniInt32(const QString& text);
