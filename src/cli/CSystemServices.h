#pragma once

#include "model/CAppServices.h"
#include "platform/CKeyringPasswords.h"
#include "platform/CVolumes.h"
#include "playback/CMpdRemote.h"

// The services both faces fill alike: their prompts, the machine's mount table, the
// player remote and the data directory. Each face adds its own (progress, desktop).
class CSystemServices
{
public:
    CSystemServices(CPrompts& prompts, const QString& dataDir) : m_player(dataDir)
    {
        m_services.prompts = &prompts;
        m_services.winamp = &m_player;
        m_services.volumes = &m_volumes;
        m_services.dataDir = dataDir;
        m_services.passwords = &m_keyring;
    }
    CSystemServices(const CSystemServices&) = delete;
    CSystemServices& operator=(const CSystemServices&) = delete;

    SAppServices& Services() { return m_services; }

private:
    CMpdRemote m_player;
    CSystemVolumes m_volumes;
    CKeyringPasswords m_keyring;
    SAppServices m_services;
};
