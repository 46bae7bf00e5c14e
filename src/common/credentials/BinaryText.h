#pragma once

#include <QByteArray>
#include <QString>

// Ascii85 without delimiters: groups of four bytes as five characters "!".."u", a zero group as
// "z", a final group of m bytes as m + 1 characters.
QString BytesToAscii85(const QByteArray& bytes);
// Reverse of BytesToAscii85; never fails: stray characters give wrong bytes, a single
// left-over character gives nothing.
QByteArray Ascii85ToBytes(const QString& text);

// Two upper-case hexadecimal digits per byte.
QString BytesToHex(const QByteArray& bytes);
// Pairs of hexadecimal digits; a pair that is not hexadecimal gives 0, an odd last digit is
// ignored.
QByteArray HexToBytes(const QString& text);
