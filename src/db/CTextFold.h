#pragma once

#include <QByteArray>
#include <QString>

// How a catalogue folds its texts for the lookups that ignore letter case: the case always,
// and in a catalogue whose searches ignore accents, the accents too ("Björk" as "bjork"). A
// letter that decomposes into a base letter and diacritical marks folds as its base; a
// diacritical mark of its own (text written decomposed) folds away. Letters that do not
// decompose (ø, ł, æ, ß) stay; marks of other scripts (kana's voicing marks, Indic nuktas,
// Hebrew and Arabic vowel points) are no diacritical marks here and stay too. One character
// at a time, so that the table Folding can give every character its folded form for the
// triggers another tool's writes run (CFoldTriggers).
class CTextFold
{
public:
    // The characters with a folded form of their own: every one from the end of ASCII up to
    // here (past it, nothing folds).
    static constexpr char32_t kLastFolded = 0x1FFFF;
    // What Char gives for a mark that folds away.
    static constexpr char32_t kDropped = 0xFFFFFFFF;

    constexpr explicit CTextFold(bool accents = false) : m_accents(accents) {}
    bool Accents() const { return m_accents; }

    // The folded form of one character past ASCII: itself when nothing changes, kDropped.
    static char32_t Char(char32_t c, bool accents);
    QString Text(const QString& text) const;
    // Text(text) as UTF-8; ASCII text goes without the detour through a folded copy.
    QByteArray Utf8(const QString& text) const;

private:
    bool m_accents;
};
