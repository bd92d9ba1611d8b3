#pragma once

#include "platform/CPasswordStore.h"

#include <QMap>

// A keyring in memory for the window's tests (a test machine has no desktop session);
// `unavailable` makes it answer as a machine without one.
class CMemoryPasswords : public CPasswordStore
{
public:
    QMap<QString, QString> kept;
    QString unavailable;

    SRead Read(const QString& account) override
    {
        if (!unavailable.isEmpty())
            return {false, {}, unavailable};
        return {kept.contains(account), kept.value(account), {}};
    }
    QString Write(const QString& account, const QString& password) override
    {
        if (unavailable.isEmpty())
            kept[account] = password;
        return unavailable;
    }
};
