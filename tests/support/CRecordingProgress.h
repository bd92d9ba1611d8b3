#pragma once

#include "platform/CProgress.h"

#include <QString>

// Progress for tests: records what a job shows and cancels when told to, after a given
// number of steps (0: at once, before the first step).
class CRecordingProgress : public CProgress
{
public:
    int lower = 0;
    int upper = 0;
    int step = 0;
    int position = 0;
    int steps = 0;
    int pumps = 0;
    int hides = 0;
    int shows = 0;
    QString message;
    QString caption;
    int lines = 0;
    int width = 0;
    int cancelAfterSteps = -1; // -1: never
    bool cancelled = false;

    void SetRange(int l, int u, int s) override
    {
        lower = l;
        upper = u;
        step = s;
        cancelled = cancelled || cancelAfterSteps == 0;
    }
    void SetMessage(const QString& m) override { message = m; }
    int Step() override
    {
        const int previous = position;
        position += step;
        ++steps;
        if (cancelAfterSteps >= 0 && steps >= cancelAfterSteps)
            cancelled = true;
        return previous;
    }
    void SetPos(int p) override { position = p; }
    bool Pump(bool) override
    {
        ++pumps;
        return cancelled;
    }
    bool IsCancelled() const override { return cancelled; }
    void Hide() override { ++hides; }
    void Show() override { ++shows; }
};

// Hands a job a display whose record outlives the job.
class CProgressProxy : public CProgress
{
public:
    explicit CProgressProxy(CRecordingProgress& record) : m_record(record) {}
    void SetRange(int l, int u, int s) override { m_record.SetRange(l, u, s); }
    void SetMessage(const QString& m) override { m_record.SetMessage(m); }
    int Step() override { return m_record.Step(); }
    void SetPos(int p) override { m_record.SetPos(p); }
    bool Pump(bool escape) override { return m_record.Pump(escape); }
    bool IsCancelled() const override { return m_record.IsCancelled(); }
    void Hide() override { m_record.Hide(); }
    void Show() override { m_record.Show(); }

private:
    CRecordingProgress& m_record;
};
