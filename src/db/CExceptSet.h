#pragma once

#include "db/CDatabase.h"

#include <QString>
#include <QStringList>

// The list of names that keep their leading digits (table ExcludeList): a small table,
// read whole, handed out as a list of names.
class CExceptSet
{
public:
    void Open(CDatabase& db);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }
    // Reads the names again (another window or process may have changed them).
    void Requery();

    // Every name, in table order (what the intake compares against).
    const QStringList& Names() const { return m_names; }
    // Stores one more name (cut to the column's 255 characters). Throws CDbException.
    void Add(const QString& name);
    // The list becomes exactly these names, stored in this order, in one transaction: a
    // failure half-way leaves the list as it was. Throws CDbException.
    void ReplaceAll(const QStringList& names);

private:
    void Insert(const QString& name);

    CDatabase* m_db = nullptr;
    QStringList m_names;
};
