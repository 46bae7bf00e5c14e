#include "common/credentials/BinaryText.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr int kGroupBytes = 4;
constexpr int kGroupChars = 5;
constexpr char16_t kFirstDigit = u'!';
constexpr char16_t kZeroGroup = u'z';

void AppendGroup(QString& out, std::uint32_t value, int chars)
{
    char16_t digits[kGroupChars];
    for (int i = kGroupChars - 1; i >= 0; --i) {
        digits[i] = static_cast<char16_t>(kFirstDigit + value % 85);
        value /= 85;
    }
    out.append(reinterpret_cast<const QChar*>(digits), chars);
}

// Stray characters wrap around instead of failing; the authentication code catches them.
std::uint32_t DecodeGroup(const QString& text, qsizetype from, qsizetype count)
{
    std::uint32_t value = 0;
    for (qsizetype i = 0; i < kGroupChars; ++i) {
        const std::uint32_t digit =
            i < count ? static_cast<std::uint32_t>(text[from + i].unicode() - kFirstDigit) : 84u;
        value = value * 85u + digit;
    }
    return value;
}

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

} // namespace

QString BytesToAscii85(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size() / kGroupBytes * kGroupChars + kGroupChars);
    for (qsizetype i = 0; i < bytes.size(); i += kGroupBytes) {
        const qsizetype m = std::min<qsizetype>(kGroupBytes, bytes.size() - i);
        std::uint32_t value = 0;
        for (qsizetype k = 0; k < kGroupBytes; ++k)
            value = (value << 8) | (k < m ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        if (m == kGroupBytes && value == 0)
            out.append(kZeroGroup);
        else
            AppendGroup(out, value, static_cast<int>(m + 1));
    }
    return out;
}

QByteArray Ascii85ToBytes(const QString& text)
{
    QByteArray out;
    out.reserve(text.size() / kGroupChars * kGroupBytes + kGroupBytes);
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] == kZeroGroup) {
            out.append(kGroupBytes, '\0');
            ++i;
            continue;
        }
        const qsizetype count = std::min<qsizetype>(kGroupChars, text.size() - i);
        const std::uint32_t value = DecodeGroup(text, i, count);
        const qsizetype produced = count == kGroupChars ? kGroupBytes : count - 1;
        for (qsizetype k = 0; k < produced; ++k)
            out.append(static_cast<char>(value >> (24 - 8 * k)));
        i += count;
    }
    return out;
}

QString BytesToHex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

QByteArray HexToBytes(const QString& text)
{
    QByteArray out;
    out.reserve(text.size() / 2);
    for (qsizetype i = 0; i + 1 < text.size(); i += 2) {
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        out.append(high < 0 || low < 0 ? '\0' : static_cast<char>(high * 16 + low));
    }
    return out;
}
