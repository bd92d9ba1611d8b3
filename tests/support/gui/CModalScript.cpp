#include "support/gui/CModalScript.h"

#include <QApplication>
#include <QDialog>
#include <gtest/gtest.h>

CModalScript::CModalScript(QList<Step> steps, QObject* parent)
    : QObject(parent), m_steps(std::move(steps))
{
    connect(&m_timer, &QTimer::timeout, this, &CModalScript::Poll);
    m_timer.start(10);
}

CModalScript::~CModalScript()
{
    EXPECT_TRUE(m_steps.isEmpty()) << m_steps.size() << " dialog steps never ran";
}

void CModalScript::Poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == m_last)
        return;
    if (m_steps.isEmpty()) {
        if (++m_idleTicks < 300)
            return;
        ADD_FAILURE() << "an unexpected dialog stayed open: " << modal->windowTitle().toStdString();
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->done(1);
        return;
    }
    m_idleTicks = 0;
    m_last = modal;
    Step step = m_steps.takeFirst();
    ++m_run;
    step(modal);
}
