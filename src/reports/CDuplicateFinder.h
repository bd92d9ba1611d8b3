#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <string>
#include <unordered_set>
#include <vector>

class CCdlistDoc;
class CPrompts;
struct SSong;

// The duplicate finder: walks every song's file name and title as they were when it
// started and, for each, finds the songs with the same file name or the same title. A
// group is listed once per round, not again from each of its members.
//
// It is built for a million songs: at the start it walks the file name and title indexes
// in order and keeps only the songs whose name or title occurs more than once (its memory
// grows with the duplicates, not with the catalogue); the others cannot have a group and
// are passed. The groups are formed from those songs at the start, without a query per
// song; a song deleted here leaves its groups at once. A file's size is asked when its
// group is shown, once per walk.
class CDuplicateFinder
{
public:
    struct SEntry
    {
        qint64 id = 0;
        QString file; // PATH + '/' + MELODI
        QString size; // in bytes, or "Unknown" when the file cannot be opened
        QString Text() const { return file + QStringLiteral(" (") + size + u')'; }
    };
    enum class EStep
    {
        Group,   // a group of two or more is listed
        Empty,   // the entry matched no song at all (its song was deleted meanwhile)
        Finished // the end was reached; the walk starts again from the first entry
    };

    // Takes the file names and titles of every song, in ID order. Throws CDbException.
    explicit CDuplicateFinder(CCdlistDoc& doc);
    ~CDuplicateFinder();

    int Total() const { return int(m_ids.size()); }
    // How far the walk has come, in songs.
    int NextIndex() const { return m_next == 0 ? 0 : m_entries[size_t(m_next - 1)].position + 1; }
    int Deleted() const { return m_deleted; }
    // The file name of the entry examined last.
    const QString& CurrentName() const { return m_current; }
    const QList<SEntry>& Group() const { return m_group; }

    // One press of Search/Next: goes on to the next entry that has a group (or the end).
    // Throws CDbException.
    EStep Next();
    // Asks, then deletes the file and its song; false when the user declines or the file
    // cannot be removed (reported; the song is kept). The document's song count and
    // current song follow at once.
    bool Delete(qint64 id, CPrompts& prompts);

    // The size column of a listed file.
    static QString FileSize(const QString& file);

private:
    struct SName
    {
        qint64 id = 0;
        qint32 position = 0; // among all songs, in ID order
        quint32 name = 0;    // offsets into m_text
        quint32 nameLength = 0;
        quint32 title = 0;
        quint32 titleLength = 0;
        quint32 path = 0;
        quint32 pathLength = 0;
        qint32 nameGroup = -1; // the songs sharing its folded name (see m_groupStart), or -1
        qint32 titleGroup = -1;
        bool candidate = false; // its name or title occurs more than once
        // The file's size in bytes, asked when its group is first shown in a walk.
        qint64 size = kNotAsked;
    };
    static constexpr qint64 kNotAsked = -2;
    static constexpr qint64 kUnknown = -1;
    QString Text(quint32 offset, quint32 length) const;
    void Load();
    // The songs whose folded text in a column occurs more than once (or is not folded yet).
    void AddRepeated(const char* folded, std::vector<qint64>& ids);
    // Puts the songs sharing a folded name (or title) into one of m_groups each.
    void FormGroups(quint32 SName::*text, quint32 SName::*length, qint32 SName::*group);
    // A song deleted here that was not walked (it had no name or title in common).
    void AddGone(const SSong& song);
    SName* Find(qint64 id);
    QList<SEntry> Members(const SName& entry);
    qint64 Size(const QString& file);
    // Notes the group on show as listed; false when it was listed already this round.
    bool MarkListed(const QList<SEntry>& group);

    CCdlistDoc& m_doc;
    std::vector<qint64> m_ids;    // every song's, ascending
    std::vector<SName> m_entries; // in ID order
    // The groups' IDs one after the other, each group's ascending; m_groupStart[g] is
    // where group g begins.
    std::vector<qint64> m_members;
    std::vector<quint32> m_groupStart;
    std::string m_text;
    QSet<qint64> m_gone;
    int m_next = 0;
    int m_deleted = 0;
    QString m_current;
    QList<SEntry> m_group;
    QSet<QString> m_missingFolders; // found missing in this walk: their files are "Unknown"
    // The groups shown this round, each by a 64-bit digest of its sorted IDs: a few bytes a
    // group where a set of the IDs themselves took about eighty.
    std::unordered_set<quint64> m_listed;
};
