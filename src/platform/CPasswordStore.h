#pragma once

#include <QString>

// Where a sign-in password is kept between runs: the desktop's keyring on a desktop, never
// the settings file, which other programs and backups read in plain text.
class CPasswordStore
{
public:
    struct SRead
    {
        bool found = false;
        QString password;
        QString error; // why the store could not be asked; empty when it answered
    };

    virtual ~CPasswordStore() = default;
    // The password kept for `account`: not found with no error when none is kept.
    virtual SRead Read(const QString& account) = 0;
    // Keeps it; why not when it could not.
    virtual QString Write(const QString& account, const QString& password) = 0;
};
