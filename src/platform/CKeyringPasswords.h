#pragma once

#include "platform/CPasswordStore.h"

// The desktop's keyring (the Secret Service or KWallet, through QtKeychain). A machine
// without one answers with an error that says so, which the faces show as it is: the
// password is then typed for each mail or read from a file.
class CKeyringPasswords : public CPasswordStore
{
public:
    SRead Read(const QString& account) override;
    QString Write(const QString& account, const QString& password) override;
};
