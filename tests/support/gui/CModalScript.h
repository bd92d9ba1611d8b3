#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

// Drives modal dialogs that a test opens with exec(): each step runs once on the next new
// modal widget. A dialog left open with no step to run is closed after a while and the
// test fails, so that a broken test ends instead of waiting for a user.
class CModalScript : public QObject
{
    Q_OBJECT
public:
    using Step = std::function<void(QWidget*)>;

    explicit CModalScript(QList<Step> steps, QObject* parent = nullptr);
    ~CModalScript() override;

    int StepsRun() const { return m_run; }
    bool Finished() const { return m_steps.isEmpty(); }

private:
    void Poll();

    QList<Step> m_steps;
    QPointer<QWidget> m_last;
    QTimer m_timer;
    int m_run = 0;
    int m_idleTicks = 0;
};
