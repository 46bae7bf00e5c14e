#include <QTest>

#include "common/mail/Sasl.h"

Q_DECLARE_METATYPE(TSaslMechanism)

class tst_Sasl : public QObject {
    Q_OBJECT

private slots:
    void cramResponse_data()
    {
        QTest::addColumn<TSaslMechanism>("mechanism");
        QTest::addColumn<QByteArray>("expected");
        // The worked example of RFC 2195; the SHA-1 digest of the same input from Python's hmac.
        QTest::newRow("CRAM-MD5") << TSaslMechanism::CramMd5
                                  << QByteArray("tim b913a602c7eda7a495b4e6e7334d3890");
        QTest::newRow("CRAM-SHA1") << TSaslMechanism::CramSha1
                                   << QByteArray("tim 8cb10ed0a8b764ab0e05125dd6eaa295f19b5943");
    }

    void cramResponse()
    {
        QFETCH(TSaslMechanism, mechanism);
        QFETCH(QByteArray, expected);
        const QByteArray challenge = "<1896.697170952@postoffice.reston.mci.net>";
        bool ok = false;
        QCOMPARE(SaslResponse(mechanism, 0, challenge, "tim", "tanstaaftanstaaf", &ok), expected);
        QVERIFY(ok);
        SaslResponse(mechanism, 1, challenge, "tim", "tanstaaftanstaaf", &ok);
        QVERIFY(!ok); // a second challenge is answered with a cancel
    }

    void candidatesKeepPreferenceOrder()
    {
        QCOMPARE(SaslCandidates({"login", "XOAUTH2", "PLAIN", "CRAM-MD5", "CRAM-SHA1"}),
                 (std::vector{TSaslMechanism::CramSha1, TSaslMechanism::CramMd5,
                              TSaslMechanism::Plain, TSaslMechanism::Login}));
        QVERIFY(SaslCandidates({"GSSAPI", "NTLM"}).empty());
    }
};

QTEST_GUILESS_MAIN(tst_Sasl)
#include "tst_Sasl.moc"
