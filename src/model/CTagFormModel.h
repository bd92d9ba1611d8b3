#pragma once

#include "db/SSong.h"
#include "media/STagFields.h"

#include <QObject>
#include <QString>
#include <array>
#include <map>

class CVolumes;

// The tag fields of the form: the song they show, what they showed of it, what the user
// typed since, and so which fields a Save or a Multisave writes. Every face edits the
// fields through it; nothing reads the song back from the boxes.
class CTagFormModel : public QObject
{
    Q_OBJECT
public:
    // The fields of every tag; the form shows all but the lyrics (they have their own
    // window). The genre shows a name of the genre table, empty for none; the track is
    // read from the file when shown (the catalogue keeps none).
    using EField = ETagField;
    static constexpr int kFields = kTagFieldCount;
    // What each box holds at most; 0 for a text shown whole.
    static int MaxLength(EField field);

    explicit CTagFormModel(QObject* parent = nullptr) : QObject(parent) {}

    // Where songs' files are: a file on a CD is not read for its track (the drive would spin
    // up for every click). Null: every file is read.
    void SetVolumes(CVolumes* volumes) { m_volumes = volumes; }
    // Shows a song, with the track number its file holds (the catalogue keeps none): nothing
    // is changed yet.
    void Show(const SSong& song);
    void Clear();
    // The song shown; -1 for none.
    qint64 SongId() const { return m_id; }
    // Its file, folder and name; empty for none.
    QString Path() const { return m_path; }
    void SetHasLyrics(bool has);

    // What a field shows now.
    QString Text(EField field) const { return m_texts[size_t(field)]; }
    // The user changed a field (typed, pasted, dropped, chose); it counts as changed while
    // it differs from what the song showed.
    void Edit(EField field, const QString& text);
    bool IsChanged(EField field) const;
    // The changed fields with their texts.
    std::map<EField, QString> Changes() const;

Q_SIGNALS:
    // Another song (or none) is shown: every field anew.
    void SongShown();
    // A field became changed or unchanged.
    void ChangedFieldsChanged();
    void LyricsShownChanged(bool has);

private:
    QString TrackOf(const QString& path) const;

    CVolumes* m_volumes = nullptr;
    qint64 m_id = -1;
    QString m_path;
    bool m_hasLyrics = false;
    std::array<QString, kFields> m_shown; // as the song showed them
    std::array<QString, kFields> m_texts; // as they are now
};
