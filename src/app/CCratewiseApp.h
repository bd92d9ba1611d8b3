#pragma once

#include <QApplication>

class CPrompts;

// The application object: chooses between the command line and the window, and keeps
// an error escaping an event handler from ending the program.
class CCratewiseApp : public QApplication
{
    Q_OBJECT
public:
    CCratewiseApp(int& argc, char** argv);
    static int Main(int argc, char** argv);

    void SetPrompts(CPrompts* prompts) { m_prompts = prompts; }
    // Puts the shipped readme.txt into the data folder, where F1 opens it.
    static void PrepareDataDir(const QString& dataDir);
    bool notify(QObject* receiver, QEvent* event) override;

private:
    static int RunWindow(int argc, char** argv);
    CPrompts* m_prompts = nullptr;
};
