#pragma once

#include "model/CWinampRemote.h"

#include <QStringList>
#include <utility>

// A player that records what it is told.
class CFakeWinamp : public CWinampRemote
{
public:
    bool running = false;
    QStringList calls;
    QString error; // what TakeError hands out once

    bool IsRunning() override { return running; }
    bool Start(const QString& program, bool minimized) override
    {
        calls << QStringLiteral("Start %1 %2").arg(program).arg(minimized);
        running = true;
        return true;
    }
    void Command(ECommand command) override
    {
        calls << QStringLiteral("Command %1").arg(int(command));
    }
    void ClearList() override { calls << QStringLiteral("ClearList"); }
    bool AddFile(const QString& path) override
    {
        calls << QStringLiteral("AddFile ") + path;
        return true;
    }
    void StartList() override { calls << QStringLiteral("StartList"); }
    bool IsPlaying() override { return false; }
    int TrackLengthSeconds() override { return 0; }
    int TrackPositionMs() override { return 0; }
    void SetListPosition(int position) override
    {
        calls << QStringLiteral("SetListPosition %1").arg(position);
    }
    void SetVolume(int volume) override { calls << QStringLiteral("SetVolume %1").arg(volume); }
    int ListLength() override { return 0; }
    int ListPosition() override { return 0; }
    void Close() override { calls << QStringLiteral("Close"); }
    QString TakeError() override { return std::exchange(error, QString()); }
};
