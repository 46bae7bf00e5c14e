// The password decipher: a damaged or foreign stored text never crashes, it only gives a
// wrong or empty password; a stored password deciphers to what was stored.

#include "FuzzSupport.h"
#include "common/credentials/PasswordCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QByteArray key = UnscrambleKey(QString::fromLatin1(kPasswordKeyText));
    QByteArray input = FuzzBytes(data, size);
    const uint8_t selector = TakeSelector(input);
    const bool asHex = selector & 1;
    const QByteArray& useKey = (selector & 2) ? key : QByteArray();
    // Stored lengths from none to beyond the two-byte length prefix of longer passwords.
    const int length = (selector & 4) ? kStoredPasswordLength : int(selector) * 2;

    const QString text = QString::fromUtf8(input);
    const QByteArray password = DecryptPassword(useKey, text, asHex);
    FUZZ_CHECK(password.size() <= 4 * input.size());
    (void)UnscrambleKey(text);

    const QString stored = EncryptPassword(useKey, input, length, asHex);
    FUZZ_CHECK(stored.isEmpty() == input.isEmpty());
    FUZZ_CHECK(DecryptPassword(useKey, stored, asHex) == input.left(length));
    return 0;
}
