#pragma once

#include <vector>

#include <QByteArray>
#include <QStringList>

// The SASL mechanisms the mailer can use, in the order it prefers them.
enum class TSaslMechanism { CramSha1, CramMd5, Plain, Login };

// Name of the mechanism on the wire ("CRAM-SHA1", ...).
QByteArray SaslName(TSaslMechanism mechanism);
// The mechanisms both sides know, most preferred first; `announced` is the server's list.
std::vector<TSaslMechanism> SaslCandidates(const QStringList& announced);
// True when the mechanism sends an initial response with the AUTH command.
bool SaslHasInitialResponse(TSaslMechanism mechanism);
// The (unencoded) client response to the server's step-th (decoded) challenge; step 0 of a
// mechanism with an initial response is that response. An empty result with `ok` false means the
// mechanism has nothing more to say.
QByteArray SaslResponse(TSaslMechanism mechanism, int step, const QByteArray& challenge,
                        const QByteArray& user, const QByteArray& password, bool* ok);
// RFC 2195 response: user, a blank and the hex HMAC of the challenge keyed with the password.
QByteArray CramResponse(TSaslMechanism mechanism, const QByteArray& user,
                        const QByteArray& password, const QByteArray& challenge);
