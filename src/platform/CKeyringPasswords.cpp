#include "platform/CKeyringPasswords.h"

#include "platform/CDownload.h"

#include <QEventLoop>
#include <QTimer>
#include <qt6keychain/keychain.h>

namespace {

const QString kService = QStringLiteral("Cratewise");

// Runs the job to its end or to the network time limit: a keyring that never answers
// (a locked desktop, a hung daemon) must not hold the program. The job is a child of the
// loop's scope only while it runs; one that outlives the limit deletes itself later.
QString Run(QKeychain::Job* job)
{
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool done = false;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&] {
        done = true;
        loop.quit();
    });
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(CDownload::TimeoutMs());
    job->start();
    if (!done)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!done) {
        job->setAutoDelete(true);
        return QStringLiteral("The desktop keyring did not answer in time.");
    }
    job->deleteLater();
    if (job->error() == QKeychain::NoError || job->error() == QKeychain::EntryNotFound)
        return {};
    const QString reason = job->errorString();
    return QStringLiteral("The desktop keyring is not available: %1")
        .arg(reason.isEmpty() ? QStringLiteral("no answer") : reason);
}

} // namespace

CPasswordStore::SRead CKeyringPasswords::Read(const QString& account)
{
    auto* job = new QKeychain::ReadPasswordJob(kService);
    job->setAutoDelete(false);
    job->setInsecureFallback(false); // never a plain file
    job->setKey(account);
    SRead read;
    read.error = Run(job);
    if (read.error.isEmpty() && job->error() == QKeychain::NoError) {
        read.found = true;
        read.password = job->textData();
    }
    return read;
}

QString CKeyringPasswords::Write(const QString& account, const QString& password)
{
    auto* job = new QKeychain::WritePasswordJob(kService);
    job->setAutoDelete(false);
    job->setInsecureFallback(false);
    job->setKey(account);
    job->setTextData(password);
    return Run(job);
}
