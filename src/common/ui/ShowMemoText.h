#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

// The code page the system takes for 8-bit text without a mark (Windows Western European).
inline constexpr int kAnsiCodePage = 1252;
inline constexpr int kCpUtf16LE = 1200;
inline constexpr int kCpUtf16BE = 1201;
inline constexpr int kCpUtf8 = 65001;

// One code page the viewer offers: its number and the name the converter knows it by.
struct TCodePage {
    int number;
    const char* converterName;
    const char* description; // the system's name of the code page, untranslated
};

// The code pages this machine can decode, in the order of the table.
const std::vector<TCodePage>& AvailableCodePages();
// The entries of the code-page choice: " Automatic" (0) and "%s - (%u)" for every code page,
// sorted by their text; `numbers` gets the code page of each entry.
QStringList CodePageChoice(std::vector<int>& numbers);

// Result of decoding a log file's bytes.
struct TDecodedText {
    QString text;
    int codePage = 0;     // the code page the text was decoded with
    bool invalid = false; // the requested code page could not decode the data
};

// Decodes with the code page, or with 0 the one a byte-order mark names, else UTF-16 known by
// its zero bytes, else UTF-8 when the bytes are valid UTF-8, else the ANSI code page. Data a
// named code page cannot decode is decoded as ANSI and marked invalid. Zero characters are
// removed from the text.
TDecodedText DecodeLogBytes(QByteArrayView bytes, int codePage);
// The same for a whole open device (a file read in pieces); nullopt when it cannot be read.
std::optional<TDecodedText> DecodeLogDevice(QIODevice& device, int codePage);
// Encodes the text back into the code page it was read with.
QByteArray EncodeLogText(const QString& text, int codePage);

// Start and length of every line of a text; CR LF, LF and a lone CR each end a line.
class TLineIndex {
public:
    void Build(const QString& text);
    qsizetype Count() const { return qsizetype(FStarts.size()); }
    qsizetype Start(qsizetype line) const { return FStarts[size_t(line)]; }
    qsizetype Length(qsizetype line) const { return FLengths[size_t(line)]; }
    qsizetype LongestLength() const { return FLongest; }
    // The line holding a text position (a position on a line end counts to that line).
    qsizetype LineOf(qsizetype pos) const;

private:
    std::vector<qsizetype> FStarts;
    std::vector<qsizetype> FLengths;
    qsizetype FLongest = 0;
};

struct TSearchOptions {
    bool down = true;
    bool matchCase = false;
    bool wholeWord = false;
};

// The position of the next match of `what`: downward from `from` on, upward ending before
// `from`; -1 when there is none.
qsizetype FindInText(const QString& text, const QString& what, qsizetype from,
                     const TSearchOptions& options);

// Splits a line that is too wide for a printed row: a row takes the pieces ending after the
// earliest blank, backslash or "}" that fit; when not even one fits, characters one by one.
// Rows after the first start with "* ". `fits` says whether a text fits the row width.
QStringList BreakPrintLine(const QString& line, const std::function<bool(const QString&)>& fits);
// The path with middle folders replaced by "..." until it is at most `maxLength` long.
QString ShortenPath(const QString& path, int maxLength);
// Height of the print font in tenths of a millimetre for a size in points.
int PrintFontHeight(int points);

// Bits of a stored font style.
enum TFontStyleBit { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

struct TMarginRect {
    int32_t Left;
    int32_t Top;
    int32_t Right;
    int32_t Bottom;
};

// Printer settings of the log viewer; positions in tenths of a millimetre.
struct TPrinterSettings {
    QString PrtName;
    TMarginRect Margins;
    int32_t Feed;
    QString FontName;
    int32_t FontSize;
    int FontStyle;   // TFontStyleBit set
    int Orientation; // 0 portrait, 1 landscape

    TPrinterSettings() { Init(); }
    void Init();
};

// Remembers the file as the one holding the view settings; when file and section are given,
// reads the printer keys of that section. A value that cannot be used reads as its default.
void LoadPrinterSettings(const QString& fileName, const QString& section,
                         TPrinterSettings& settings);
// The file LoadPrinterSettings named last (empty: none).
QString ViewSettingsFile();

// Window placement and display font of the viewer.
struct TViewSettings {
    int Top = 0;
    int Left = 0;
    int Height = 0;
    int Width = 0;
    QString ExportPath;
    QString FontName;
    int FontSize = 0;
    int FontStyle = 0;
};

// Reads the view section; false when the file does not exist or cannot be read. Keys that are
// missing or unusable keep the values `settings` holds.
bool ReadViewSettings(const QString& fileName, TViewSettings& settings);
// Writes the view section into an existing file, keeping its encoding; false when the file
// does not exist or the write failed (the file then stays as it was).
bool WriteViewSettings(const QString& fileName, const TViewSettings& settings);
