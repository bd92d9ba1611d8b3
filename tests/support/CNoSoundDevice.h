#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QPair>

// A machine without a usable sound device, for the built-in player's default output: no
// sound server answers and ALSA knows no card. The environment is put back at the end.
class CNoSoundDevice
{
public:
    explicit CNoSoundDevice(const QString& folder)
    {
        const QString alsa = QDir(folder).filePath(QStringLiteral("no-cards.conf"));
        QFile config(alsa);
        (void)config.open(QIODevice::WriteOnly); // empty: no card, no "default" device
        const QByteArray nowhere = QFile::encodeName(QDir(folder).filePath("nowhere"));
        Set("ALSA_CONFIG_PATH", QFile::encodeName(alsa));
        Set("PULSE_SERVER", "unix:" + nowhere);
        Set("PIPEWIRE_REMOTE", nowhere);
        Set("JACK_NO_START_SERVER", "1");
        Set("JACK_DEFAULT_SERVER", nowhere);
        Set("CRATEWISE_AUDIO_OUTPUT", QByteArray());
    }
    ~CNoSoundDevice()
    {
        for (const auto& [name, value] : m_saved) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }
    CNoSoundDevice(const CNoSoundDevice&) = delete;
    CNoSoundDevice& operator=(const CNoSoundDevice&) = delete;

private:
    void Set(const char* name, const QByteArray& value)
    {
        m_saved.append({name, qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray()});
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    QList<QPair<const char*, QByteArray>> m_saved;
};
