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
    m_rows.clear();
    m_names.clear();
    m_index = 0;
}

void CExceptSet::Requery()
{
    Load();
    MoveFirst();
}

void CExceptSet::Load()
{
    m_rows.clear();
    m_names.clear();
    if (!m_db)
        return;
    CStatement s(*m_db, QStringLiteral("SELECT ID2, EXCLUDED FROM ExcludeList ORDER BY ID2"));
    while (s.Step()) {
        m_rows.push_back({qint32(s.Int(0)), s.Text(1)});
        m_names.append(m_rows.back().name);
    }
}

void CExceptSet::MoveFirst()
{
    m_index = 0;
    if (!IsEOF()) {
        m_ID2 = m_rows[m_index].id;
        m_EXCLUDED = m_rows[m_index].name;
    }
}

void CExceptSet::MoveNext()
{
    if (IsEOF())
        return;
    ++m_index;
    if (!IsEOF()) {
        m_ID2 = m_rows[m_index].id;
        m_EXCLUDED = m_rows[m_index].name;
    }
}

void CExceptSet::AddNew()
{
    m_adding = true;
    m_ID2 = 0;
    m_EXCLUDED.clear();
}

void CExceptSet::Update()
{
    if (!m_adding || !m_db)
        return;
    m_adding = false;
    CStatement s(*m_db, QStringLiteral("INSERT INTO ExcludeList(EXCLUDED) VALUES(?)"));
    s.BindText(1, CText::Left(m_EXCLUDED, 255));
    s.Step();
    m_ID2 = qint32(m_db->LastInsertId());
}

void CExceptSet::Delete()
{
    if (IsEOF() || !m_db)
        return;
    CStatement s(*m_db, QStringLiteral("DELETE FROM ExcludeList WHERE ID2 = ?"));
    s.BindInt(1, m_rows[m_index].id);
    s.Step();
}

void CExceptSet::DeleteAll()
{
    if (m_db)
        m_db->Exec("DELETE FROM ExcludeList");
}
