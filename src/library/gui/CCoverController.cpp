#include "library/gui/CCoverController.h"

#include "library/CCovers.h"
#include "library/CLibraryTexts.h"
#include "library/gui/CCoverDialog.h"
#include "library/gui/CCoverLabel.h"
#include "media/CCoverReader.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CPrompts.h"

#include <QPixmap>
#include <QScreen>

CCoverController::CCoverController(const SControllerContext& context,
                                   const SCoverControls& controls, QObject* parent)
    : QObject(parent), m_context(context), m_label(controls.cover)
{
    if (!m_label)
        return;
    m_label->setToolTip(CLibraryTexts::CoverTooltip());
    connect(&m_context.doc, &CCdlistDoc::CurrentSongChanged, this,
            &CCoverController::OnCurrentSongChanged);
    connect(m_label, &CCoverLabel::Clicked, this, &CCoverController::OnClicked);
}

void CCoverController::OnCurrentSongChanged(qint64 id)
{
    m_label->ShowPicture(id < 0 ? QByteArray()
                                : CCovers(m_context.doc, m_context.services).Thumbnail(id));
}

void CCoverController::OnClicked()
{
    const qint64 id = m_context.doc.CurrentSong();
    if (id < 0 || !m_label->HasPicture() || m_context.doc.IsBusy())
        return;
    // Decoded by the picture limits, at most the screen's size: a file may claim any size.
    const QScreen* screen = m_context.window ? m_context.window->screen() : nullptr;
    const QSize within = screen ? screen->availableSize() : QSize(4096, 4096);
    const QPixmap picture = QPixmap::fromImage(
        CCoverReader::Decoded(CCovers(m_context.doc, m_context.services).FullPicture(id), within));
    if (picture.isNull()) {
        m_context.services.prompts->Inform(CLibraryTexts::CoverNotReachable(),
                                           CLibraryTexts::CoverCaption());
        return;
    }
    CCoverDialog dialog(picture, m_context.window);
    dialog.exec();
}
