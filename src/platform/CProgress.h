#pragma once

#include <QString>

// What a long job needs from its progress display: the progress window in the program,
// a bar on standard error on the command line, a recorder in tests.
class CProgress
{
public:
    virtual ~CProgress() = default;
    virtual void SetRange(int lower, int upper, int step) = 0;
    virtual void SetMessage(const QString& message) = 0;
    virtual int Step() = 0;
    virtual void SetPos(int position) = 0;
    // Lets pending input through; true once the job should stop (Cancel, Escape).
    virtual bool Pump(bool escapeAllowed) = 0;
    virtual bool IsCancelled() const = 0;
    virtual void Hide() = 0;
    virtual void Show() = 0;
};
