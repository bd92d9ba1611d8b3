#pragma once

#include "platform/CVolumes.h"

// A mount table with nothing in it (tests that never look at drives).
class CNoVolumes : public CVolumes
{
public:
    QList<SVolume> Mounts() override { return {}; }
    bool SerialNumber(const QString&, quint32&) override { return false; }
};
