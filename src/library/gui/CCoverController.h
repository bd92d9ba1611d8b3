#pragma once

#include "ui/CControllerContext.h"

#include <QObject>

class CCoverLabel;

// The cover controller's widget.
struct SCoverControls
{
    CCoverLabel* cover = nullptr; // beside the tag fields
};

// The current song's cover beside the tag fields, from the catalogue (also when the song's
// disc is not inserted); a click shows the whole picture when the file can be reached.
class CCoverController : public QObject
{
    Q_OBJECT
public:
    CCoverController(const SControllerContext& context, const SCoverControls& controls,
                     QObject* parent);

    void OnCurrentSongChanged(qint64 id);
    void OnClicked();

private:
    SControllerContext m_context;
    CCoverLabel* m_label = nullptr;
};
