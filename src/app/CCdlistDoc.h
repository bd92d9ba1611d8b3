#pragma once

#include "db/CCdlistSet.h"
#include "db/CDatabase.h"

#include <QString>

// The document: owns the song database and its one song set for the whole run.
class CCdlistDoc
{
public:
    CCdlistDoc() = default;
    // Opens (or creates) the song database; throws CDbException with a clear message.
    void OpenDatabase(const QString& path) { m_db.Open(path); }
    CDatabase& Database() { return m_db; }
    CCdlistSet& Set() { return m_set; }
    QString Title() const { return QStringLiteral("Cratewise"); }

private:
    CDatabase m_db;
    CCdlistSet m_set;
};
