#include "db/CExceptSet.h"

#include "platform/CText.h"

void CExceptSet::Open(CDatabase& db)
{
    m_db = &db;
    Requery();
}

void CExceptSet::Close()
{
    m_db = nullptr;
    m_names.clear();
}

void CExceptSet::Requery()
{
    m_names.clear();
    if (!m_db)
        return;
    CStatement s(*m_db, QStringLiteral("SELECT EXCLUDED FROM ExcludeList ORDER BY ID2"));
    while (s.Step())
        m_names.append(s.Text(0));
}

void CExceptSet::Insert(const QString& name)
{
    CStatement s(*m_db, QStringLiteral("INSERT INTO ExcludeList(EXCLUDED) VALUES(?)"));
    s.BindText(1, CText::Left(name, 255));
    s.Step();
}

void CExceptSet::Add(const QString& name)
{
    if (!m_db)
        return;
    Insert(name);
    m_names.append(CText::Left(name, 255));
}

void CExceptSet::ReplaceAll(const QStringList& names)
{
    if (!m_db)
        return;
    try {
        CDatabase::CTransaction transaction(*m_db);
        m_db->Exec("DELETE FROM ExcludeList");
        for (const QString& name : names)
            Insert(name);
        transaction.Commit();
    } catch (const CDbException&) {
        Requery();
        throw;
    }
    Requery();
}
