#pragma once

#include "cli/CCommandLine.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

// Runs `cratewise --data-dir DIR ARGS…` in the test's process and keeps what it printed.
struct SCliRun
{
    int status = 0;
    QString out;
    QString err;

    static SCliRun Run(const QString& dataDir, QStringList args)
    {
        args.prepend(dataDir);
        args.prepend(QStringLiteral("--data-dir"));
        SCliRun run;
        QTextStream o(&run.out), e(&run.err);
        CCommandLine cli;
        run.status = cli.Run(args, o, e);
        o.flush();
        e.flush();
        return run;
    }
};
