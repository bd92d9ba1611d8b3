#pragma once

#include <QTimer>
#include <functional>

// Writes a state the user changes (the panes, the columns, the window's place) a moment
// after the last change: a program that is killed keeps it, and a drag does not write at
// every step. start() marks a change.
class CDelayedSave : public QTimer
{
public:
    static constexpr int kDelayMs = 500;

    explicit CDelayedSave(std::function<void()> save, QObject* parent = nullptr) : QTimer(parent)
    {
        setSingleShot(true);
        setInterval(kDelayMs);
        connect(this, &QTimer::timeout, this, std::move(save));
    }
};
