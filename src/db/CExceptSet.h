#pragma once

#include "db/CDatabase.h"

#include <QString>
#include <QStringList>
#include <vector>

// The list of names that keep their leading digits (table ExcludeList). A small table,
// read whole at every requery, walked like the song set.
class CExceptSet
{
public:
    qint32 m_ID2 = 0;
    QString m_EXCLUDED;

    void Open(CDatabase& db);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }
    CDatabase* Database() const { return m_db; }
    void Requery();
    bool IsBOF() const { return m_rows.empty(); }
    bool IsEOF() const { return m_index >= m_rows.size(); }
    void MoveFirst();
    void MoveNext();
    void AddNew();
    void Update();
    void Delete(); // the current row
    void DeleteAll();

    // Every name, in table order (what the intake compares against).
    const QStringList& Names() const { return m_names; }

private:
    struct SRow
    {
        qint32 id;
        QString name;
    };
    void Load();

    CDatabase* m_db = nullptr;
    std::vector<SRow> m_rows;
    QStringList m_names;
    size_t m_index = 0;
    bool m_adding = false;
};
