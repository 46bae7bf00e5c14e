// The Ascii85 and hexadecimal decoders take any text without a crash, and every byte string
// comes back from its own text.

#include "FuzzSupport.h"
#include "common/credentials/BinaryText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);
    FUZZ_CHECK(Ascii85ToBytes(BytesToAscii85(bytes)) == bytes);
    FUZZ_CHECK(HexToBytes(BytesToHex(bytes)) == bytes);

    for (const QString& text : {QString::fromUtf8(bytes), QString::fromLatin1(bytes)}) {
        const QByteArray fromAscii85 = Ascii85ToBytes(text);
        FUZZ_CHECK(fromAscii85.size() <= 4 * text.size());
        FUZZ_CHECK(HexToBytes(text).size() == text.size() / 2);
    }
    return 0;
}
