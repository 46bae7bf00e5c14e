// The SMTP reply parser: any lines a server sends (multi-line replies, EHLO capability lists,
// SASL challenges) give a reply or an ESmtpError, never a crash; an EHLO reply built from
// capability lines gives those capabilities back.

#include "FuzzSupport.h"
#include "common/mail/Sasl.h"
#include "common/mail/SmtpError.h"
#include "common/mail/SmtpReply.h"

namespace {

// Reads one reply from the lines; false when the lines are no complete reply.
bool ReadReply(const QList<QByteArray>& lines, TSmtpReply& reply)
{
    TSmtpReplyReader reader;
    try {
        for (const QByteArray& line : lines)
            if (reader.Add(line)) {
                reply = reader.Reply();
                return true;
            }
    } catch (const ESmtpError& e) {
        FUZZ_CHECK(!e.Message().isEmpty());
    }
    return false;
}

void AnswerChallenges(const TSmtpReply& reply)
{
    const QByteArray challenge = SaslChallenge(reply);
    for (const TSaslMechanism mechanism : SaslCandidates(ParseEhloReply(reply).Mechanisms))
        for (int step = 0; step < 3; ++step) {
            bool ok = true;
            (void)SaslResponse(mechanism, step, challenge, "user", "secret", &ok);
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input = FuzzBytes(data, size);
    QList<QByteArray> lines = input.split('\n');
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);

    TSmtpReply reply;
    if (ReadReply(lines, reply)) {
        FUZZ_CHECK(reply.Code >= 0 && reply.Code <= 999);
        FUZZ_CHECK(!reply.Lines.isEmpty() && reply.Lines.size() <= lines.size());
        (void)reply.Text();
        AnswerChallenges(reply);
    }

    // Capability lines of plain words come back as the keywords, in order, upper case (as many
    // as a reply may hold).
    QList<QByteArray> ehlo{"250-mail.example.org greets you"};
    QStringList keywords;
    for (const QByteArray& word : input.simplified().split(' ')) {
        if (ehlo.size() >= TSmtpReplyReader::kMaxLines)
            break;
        const QString keyword = QString::fromUtf8(word).toUpper();
        if (word.isEmpty() || word.contains('=') || keyword.contains(u' ') ||
            keyword.simplified() != keyword)
            continue;
        ehlo.append("250-" + word);
        keywords.append(keyword);
    }
    ehlo.back()[3] = ' ';
    FUZZ_CHECK(ReadReply(ehlo, reply));
    FUZZ_CHECK(ParseEhloReply(reply).Keywords == keywords);
    return 0;
}
