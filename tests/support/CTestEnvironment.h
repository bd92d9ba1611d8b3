#pragma once

#include <QString>
#include <QTemporaryDir>

// A private world for one test: its own settings file and data directory, both removed
// afterwards. The settings store is pointed at the test's file for the test's lifetime.
class CTestEnvironment
{
public:
    CTestEnvironment();
    ~CTestEnvironment();
    CTestEnvironment(const CTestEnvironment&) = delete;
    CTestEnvironment& operator=(const CTestEnvironment&) = delete;

    QString Root() const { return m_dir.path(); }
    QString DataDir() const { return m_dir.path() + QStringLiteral("/data"); }
    QString SettingsFile() const { return m_dir.path() + QStringLiteral("/settings.ini"); }
    QString DatabasePath() const { return DataDir() + QStringLiteral("/songs3.mdb"); }
    // A new empty folder below the root.
    QString MakeDir(const QString& relative) const;
    // Writes a file below the root (folders created) and returns its path.
    QString WriteFile(const QString& relative, const QByteArray& data) const;

    // Points HOME and the XDG folders of the whole test program at one private folder,
    // removed at exit, so that nothing run by a test (Qt's file dialog keeps its state
    // there) writes into the user's own. Called by the test mains before anything else.
    static void IsolateHome();

private:
    QTemporaryDir m_dir;
};
