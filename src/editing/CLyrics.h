#pragma once

#include "media/CTagReader.h"

#include <QString>
#include <QUrl>

class CCdlistDoc;
struct SAppServices;

// The lyrics of a song: shown and edited, saved into the file's USLT frame and the record
// with the line ends they have, and handed to the web translation service.
namespace CLyrics {

// The longest lyrics text (the record's column, as the intake reads it).
constexpr qsizetype kMaxLength = CTagReader::kMaxLyrics;
// What the translation service takes.
constexpr qsizetype kMaxTranslated = 1900;
// The service's host when the setting "TranslateServer" names none.
inline constexpr const char* kDefaultServer = "http://translate.cratewise.example";

struct SLanguagePair
{
    const char* item; // as the list shows it
    const char* code; // as the service takes it
};
inline constexpr SLanguagePair kLanguagePairs[] = {
    {"English to French", "en_fr"},  {"English to German", "en_de"},
    {"English to Italian", "en_it"}, {"English to Portuguese", "en_pt"},
    {"English to Spanish", "en_es"}, {"French to English", "fr_en"},
    {"German to English", "de_en"},  {"Italian to English", "it_en"},
    {"Spanish to English", "es_en"}, {"Portuguese to English", "pt_en"},
};

// Whether a text ends its lines with CR LF (or has no lines yet, which then get CR LF):
// lyrics keep the line ends they were stored with.
bool UsesCrLf(const QString& text);
// A text with plain LF line ends (an editor's) with CR LF instead, when asked.
QString WithLineEnds(const QString& text, bool crLf);

// The current song's lyrics, as stored: false, after "You have to select a song!" when
// there is no current song, or when it is gone.
bool Load(CCdlistDoc& doc, const SAppServices& services, qint64 id, QString& lyrics);
// Writes the lyrics, as given, into the song's file and record (the record keeps
// kMaxLength characters); the read-only warning (unless silenced) when the file cannot be
// written. Empty when the file took them, else why not; false in `stored` when the record
// could not be changed.
QString Save(CCdlistDoc& doc, const SAppServices& services, qint64 id, const QString& lyrics,
             bool& stored);

// The translation request for the first 1900 characters of the text and the language
// pair of that index ("en_fr" outside the list): every character an address cannot hold
// is percent-encoded, blanks become "+".
QUrl TranslationAddress(const QString& text, int pair);
// Warns when the text is longer than the service takes (unless silenced), then opens the
// request in the user's browser; the error message when that fails.
void Translate(const SAppServices& services, const QString& text, int pair);

} // namespace CLyrics
