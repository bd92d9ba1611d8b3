#pragma once

#include "support/CPythonServer.h"
#include "support/CTestEnvironment.h"

#include <QFile>

// Debian's aiosmtpd as a provider's submission server: encryption (STARTTLS, or TLS from
// the first byte) and a sign-in are required before it takes a mail, and the certificate
// is the one given. It keeps each mail with the name it signed in with in a file.
class CTestMailServer
{
public:
    static constexpr const char* kUser = "ann";
    static constexpr const char* kPassword = "p\u00e4ss word!";

    CTestMailServer(const CTestEnvironment& env, const QString& cert, const QString& key,
                    bool tlsFromStart = false)
        : m_mailbox(env.Root() + QStringLiteral("/mailbox")),
          m_server({env.WriteFile(QStringLiteral("submission.py"), kScript),
                    QStringLiteral("{port}"), m_mailbox, cert, key,
                    tlsFromStart ? QStringLiteral("tls") : QStringLiteral("starttls")})
    {}
    bool Ready() const { return m_server.Ready(); }
    quint16 Port() const { return m_server.Port(); }
    // What the server kept: "USER ann\nFROM …\nTO …\n" and the mail, for every mail.
    QByteArray Mailbox() const
    {
        QFile kept(m_mailbox);
        return kept.open(QIODevice::ReadOnly) ? kept.readAll() : QByteArray();
    }

private:
    static constexpr const char* kScript = R"(import asyncio, ssl, sys
from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult
port, mailbox, cert, key, mode = sys.argv[1:6]
context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
context.load_cert_chain(cert, key)
def check(server, session, envelope, mechanism, data):
    ok = data.login == b'ann' and data.password == 'p\u00e4ss word!'.encode()
    return AuthResult(success=ok, handled=False, auth_data=data)
class Keep:
    async def handle_DATA(self, server, session, envelope):
        with open(mailbox, 'ab') as f:
            user = session.auth_data.login.decode() if session.authenticated else '-'
            f.write(('USER ' + user + '\n').encode())
            f.write(('FROM ' + envelope.mail_from + '\nTO ' + ','.join(envelope.rcpt_tos) + '\n').encode())
            f.write(envelope.original_content)
        return '250 OK'
options = dict(authenticator=check, auth_required=True)
if mode == 'tls':
    options.update(ssl_context=context, auth_require_tls=False)
else:
    options.update(tls_context=context, require_starttls=True, auth_require_tls=True)
c = Controller(Keep(), hostname='127.0.0.1', port=int(port), **options)
c.start()
asyncio.get_event_loop().run_forever()
)";

    QString m_mailbox;
    CPythonServer m_server;
};
