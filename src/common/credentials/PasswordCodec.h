#pragma once

#include <QByteArray>
#include <QString>

// Key text of the stored passwords in the settings files.
inline constexpr char kPasswordKeyText[] = "A4C8E1F0B7D2965E3C0A8B1FD4E7A29C5B60F38E1D9C7A42";

// Length the settings files store passwords with.
inline constexpr int kStoredPasswordLength = 64;

// The cipher password hidden in a key text of hexadecimal digits; empty text gives empty key.
QByteArray UnscrambleKey(const QString& KeyText);

// The stored text of a single-byte password: cut to Len bytes, padded, length-prefixed,
// encrypted under Key (plain with an empty key), as Ascii85 or hexadecimal text.
// Empty password gives empty text.
QString EncryptPassword(const QByteArray& Key, const QByteArray& Password, int Len, bool AsHex);

// The UTF-8 bytes of a password, cut to at most maxBytes at a character boundary, so that the
// stored password never ends inside a character.
QByteArray Utf8PasswordBytes(const QString& password, int maxBytes);

// The password of a stored text; a text that is empty, damaged or made under another key
// gives an empty password.
QByteArray DecryptPassword(const QByteArray& Key, const QString& Text, bool AsHex);
