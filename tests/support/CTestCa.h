#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QString>
#include <QStringList>

// A certificate authority made for one test with the openssl program, the server
// certificates it signs, and the trust in it: while the object lives, every TLS connection
// of the test's process (mail and downloads) trusts this authority, as a system would trust
// its own.
class CTestCa
{
public:
    explicit CTestCa(const QString& folder) : m_dir(folder)
    {
        m_saved = QSslConfiguration::defaultConfiguration();
        QDir().mkpath(folder);
        m_ok = OpenSsl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256",
                        "-nodes", "-keyout", Path("ca.key"), "-out", Path("ca.pem"), "-days", "2",
                        "-subj", "/CN=Cratewise Test CA", "-addext",
                        "basicConstraints=critical,CA:TRUE", "-addext",
                        "keyUsage=critical,keyCertSign,cRLSign"});
        QSslConfiguration trusting = m_saved;
        trusting.addCaCertificates(QSslCertificate::fromPath(Path("ca.pem")));
        QSslConfiguration::setDefaultConfiguration(trusting);
    }
    ~CTestCa() { QSslConfiguration::setDefaultConfiguration(m_saved); }
    CTestCa(const CTestCa&) = delete;
    CTestCa& operator=(const CTestCa&) = delete;

    bool Ok() const { return m_ok; }

    // A server certificate for `altNames` ("IP:127.0.0.1", "DNS:other.example"); its files
    // are `name`.pem and `name`.key. Returns the certificate's path.
    QString Issue(const QString& name, const QString& altNames)
    {
        QFile ext(Path(name + ".ext"));
        ext.open(QIODevice::WriteOnly);
        ext.write(("subjectAltName=" + altNames +
                   "\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n")
                      .toUtf8());
        ext.close();
        m_ok =
            m_ok &&
            OpenSsl({"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                     "-keyout", Key(name), "-out", Path(name + ".csr"), "-subj", "/CN=" + name}) &&
            OpenSsl({"x509", "-req", "-in", Path(name + ".csr"), "-CA", Path("ca.pem"), "-CAkey",
                     Path("ca.key"), "-CAcreateserial", "-days", "2", "-extfile",
                     Path(name + ".ext"), "-out", Path(name + ".pem")});
        return Path(name + ".pem");
    }
    QString Key(const QString& name) const { return Path(name + ".key"); }

private:
    QString Path(const QString& file) const { return m_dir + u'/' + file; }
    static bool OpenSsl(const QStringList& args)
    {
        QProcess openssl;
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start(QStringLiteral("openssl"), args);
        return openssl.waitForFinished(20000) && openssl.exitStatus() == QProcess::NormalExit &&
               openssl.exitCode() == 0;
    }

    QString m_dir;
    QSslConfiguration m_saved;
    bool m_ok = false;
};
