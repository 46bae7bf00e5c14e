#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include <openssl/types.h>

#include <QByteArray>

class QIODevice;
class TEvent;

// Result of a stream operation.
enum TOpResult { orOk, orError, orUserBreak };

// What a progress report is about.
enum TFileAction { acEncrypt, acDecrypt };

// Progress report: action, bytes processed so far, and the caller's speed-limit flag.
using TFileProgressEvent =
    std::function<void(TFileAction AAction, qint64 ACount, bool ASpeedLimit)>;

// Optional cancel callback of the stream operations: true stops the work.
using TCancelEvent = std::function<bool()>;

// Cipher state of one stream: AES key schedule, little-endian counter, key stream, HMAC-SHA1.
struct TFCryptContext {
    static constexpr int KeyStreamBlocks = 64;

    EVP_CIPHER_CTX* Aes = nullptr;
    EVP_MAC_CTX* Hmac = nullptr;
    // The low 8 bytes of the counter block, a little-endian number; the high 8 stay zero.
    std::uint64_t Counter = 0;
    std::array<unsigned char, 16 * KeyStreamBlocks> KeyStream{};
    int Position = 16 * KeyStreamBlocks;
    int Mode = 0;
    int PwdLen = 0;
};

// Password-based AES stream cipher state (key derivation, counter mode, authentication code).
class TCrypt {
public:
    static constexpr int MaxPasswordLength = 128;
    static constexpr int TrailerSize = 10;

    // Keeps the first 128 bytes of Password, allocates a work buffer of ABufSize bytes
    // (4096 when ABufSize is below 1) and sets KeyMode to AMode.
    TCrypt(const QByteArray& Password, int AMode, int ABufSize);
    // Wipes password, buffer and key material before they are released.
    virtual ~TCrypt();
    TCrypt(const TCrypt&) = delete;
    TCrypt& operator=(const TCrypt&) = delete;

    // Key size mode 1 (AES-128), 2 (AES-192) or 3 (AES-256).
    int KeyMode() const { return FMode; }
    // Takes 1..3 as given; any other value chooses by password length (<32: 1, <48: 2, else 3).
    void SetKeyMode(int AMode);

    // Pause gate of the stream loops (not owned); nullptr means no pausing.
    TEvent* Event() const { return FEvent; }
    void SetEvent(TEvent* AEvent) { FEvent = AEvent; }

    // Salt length of the mode plus the 2 verifier bytes.
    int GetHeaderSize() const;
    // Length of the authentication code behind the data.
    int GetTrailerSize() const { return TrailerSize; }

protected:
    int KeyLength() const { return 8 * (FMode + 1); }
    int SaltLength() const { return 4 * (FMode + 1); }
    // Derives AES key, HMAC key and verifier from password and salt; false on a library failure.
    bool DeriveKeys(const unsigned char* salt, std::array<unsigned char, 2>& verifier);
    // Combines data with the key stream in place.
    void ApplyKeyStream(unsigned char* data, qint64 len);
    // Feeds bytes into the authentication code.
    void Authenticate(const unsigned char* data, qint64 len);
    // The first 10 bytes of the authentication code over the data so far.
    std::array<unsigned char, TrailerSize> FinalCode();
    bool IsKeyed() const { return FCryptCtx.Aes != nullptr && FCryptCtx.Hmac != nullptr; }
    void ReleaseContext();

    int FMode = 1;
    TFCryptContext FCryptCtx;
    std::vector<unsigned char> FPwd;
    int CBufSize;
    std::vector<unsigned char> CBuffer;
    TEvent* FEvent = nullptr;

private:
    void RefillKeyStream();
};

// Encrypts and decrypts whole streams: salt and verifier, data, authentication code.
class TEncryption : public TCrypt {
public:
    // As TCrypt; salts come from the system's cryptographic random generator.
    TEncryption(const QByteArray& Password, int AMode, int ABufSize);

    void SetOnProgress(TFileProgressEvent handler) { FOnProgress = std::move(handler); }
    const TFileProgressEvent& OnProgress() const { return FOnProgress; }

    // Encrypts BLen bytes in place and feeds the result into the authentication code;
    // false before a header was written or read.
    bool EncryptBlock(void* Buffer, qint64 BLen);
    // Feeds BLen encrypted bytes into the authentication code and decrypts them in place;
    // false before a header was written or read.
    bool DecryptBlock(void* Buffer, qint64 BLen);

    // Draws a salt, derives the keys and writes salt and verifier; false when writing fails.
    bool WriteHeader(QIODevice* sDest);
    // Reads the salt, derives the keys and checks the verifier; false on a wrong password or short
    // read.
    bool ReadHeader(QIODevice* sSource);
    // Writes the authentication code; false when writing fails.
    bool WriteTrailer(QIODevice* sDest);
    // Reads the authentication code and compares it with the one over the decrypted data.
    bool ReadTrailer(QIODevice* sSource);

    // Encrypts sSource to its end into sDest: header, data, trailer.
    TOpResult EncryptStreamEx(QIODevice* sSource, QIODevice* sDest, bool SpeedLimit,
                              const TCancelEvent& CancelEncryption = {});
    // Decrypts SLength bytes (header and trailer included) of sSource into sDest; without
    // sDest the data is only checked. A source that ends early gives orError.
    TOpResult DecryptStreamEx(QIODevice* sSource, QIODevice* sDest, qint64 SLength, bool SpeedLimit,
                              const TCancelEvent& CancelDecryption = {});

    // EncryptStreamEx without cancelling; true exactly on orOk.
    bool EncryptStream(QIODevice* sSource, QIODevice* sDest, bool SpeedLimit);
    // DecryptStreamEx without cancelling; true exactly on orOk.
    bool DecryptStream(QIODevice* sSource, QIODevice* sDest, qint64 SLength, bool SpeedLimit);

private:
    void Report(TFileAction action, qint64 count, bool speedLimit) const;
    void WaitForGate() const;

    TFileProgressEvent FOnProgress;
};
