#include "editing/CLyrics.h"

#include "db/CCdlistSet.h"
#include "editing/CEditingTexts.h"
#include "editing/CTagSaver.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CDownload.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"
#include "platform/CText.h"
#include "platform/CWarnings.h"

namespace {

// The partner number the request carries.
constexpr const char* kSourceId = "00000000000000000000";

void ShowError(const SAppServices& services, const QString& text)
{
    services.prompts->Error(text, QStringLiteral("Error"));
}

} // namespace

namespace CLyrics {

bool UsesCrLf(const QString& text)
{
    return text.contains(QStringLiteral("\r\n")) || !text.contains(u'\n');
}

QString WithLineEnds(const QString& text, bool crLf)
{
    return crLf ? QString(text).replace(u'\n', QStringLiteral("\r\n")) : text;
}

bool Load(CCdlistDoc& doc, const SAppServices& services, qint64 id, QString& lyrics)
{
    if (id == -1) {
        ShowError(services, CEditingTexts::NoSong());
        return false;
    }
    try {
        const std::optional<SSong> song = doc.Set().FindSongById(id);
        if (!song)
            return false;
        lyrics = song->m_LYRICS;
        return true;
    } catch (const CDbException& e) {
        ShowError(services, e.Message());
        return false;
    }
}

QString Save(CCdlistDoc& doc, const SAppServices& services, qint64 id, const QString& lyrics,
             bool& stored)
{
    const CTagSaver::SOutcome outcome =
        CTagSaver(doc, services)
            .Save({id}, STagEdit::Of(ETagField::Lyrics, lyrics), CTagSaver::EMode::Single, false);
    stored = outcome.saved > 0;
    return outcome.unwritten.isEmpty() ? QString() : outcome.unwritten.first().reason;
}

QUrl TranslationAddress(const QString& text, int pair)
{
    if (pair < 0 || pair >= int(std::size(kLanguagePairs)))
        pair = 0;
    QString server = CSettings::String(ESetting::TranslateServer);
    while (server.endsWith(u'/'))
        server.chop(1);
    // Blanks become "+", so a "+" of the text must be encoded like "&" and "#".
    QByteArray words = QUrl::toPercentEncoding(CText::Left(text, kMaxTranslated));
    words.replace("%20", "+");
    const QByteArray query = QByteArray("sourceid=") + kSourceId + "&doit=done&urltext=" + words +
                             "&lp=" + kLanguagePairs[pair].code + "&x=37&y=10";
    return QUrl::fromEncoded(server.toUtf8() + "/translate.dyn?" + query, QUrl::StrictMode);
}

void Translate(const SAppServices& services, const QString& text, int pair)
{
    if (text.size() > kMaxTranslated)
        ShowWarning(*services.prompts, ESetting::WarningTranslation,
                    CEditingTexts::TooLongToTranslate());
    const QUrl address = TranslationAddress(text, pair);
    CDownload::NameIfUnencrypted(address.toString(), services.prompts);
    if (!address.isValid() || !services.openUrl || !services.openUrl(address))
        ShowError(services, CEditingTexts::TranslationFailed());
}

} // namespace CLyrics
