#include "db/CCdlistSet.h"
#include "library/gui/CLibraryListCtrl.h"
#include "model/CCdlistDoc.h"
#include "platform/CSettings.h"
#include "support/CMp3Factory.h"
#include "support/gui/CViewFixture.h"
#include "ui/CommandIds.h"
#include "ui/ControlIds.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QMap>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using EAnswer = CPrompts::EAnswer;

constexpr int kFiles = 2500;

// Every row of the table, as text, by ID.
QMap<qint64, QString> Rows(CCdlistDoc& doc, const QString& session = QString())
{
    QMap<qint64, QString> rows;
    doc.Set().Walk(session.isEmpty() ? CFilter() : CFilter::Exactly(ESongColumn::CD, session),
                   [&rows](const SSong& s) {
                       rows.insert(s.m_ID, QStringList{s.m_CD, s.m_LIST, s.m_PATH, s.m_MELODI,
                                                       s.m_TITLE, s.m_BITRATE, s.m_DURATION}
                                               .join(u'|'));
                       return true;
                   });
    return rows;
}

QPoint RowCenter(const QAbstractItemView* view, int row)
{
    return view->visualRect(view->model()->index(row, 0)).center();
}

// The user's busy hands: each tick clicks, double-clicks or presses one of the keys that
// reach the catalogue, accepting any question it might bring up.
class CRestlessUser
{
public:
    CRestlessUser(CViewFixture& f) : m_f(f) {}

    void Act()
    {
        CCdlistView& view = m_f.View();
        QWidget* songs = view.SongList()->viewport();
        QWidget* sessions = view.SessionList()->viewport();
        for (int id : {ID_SEARCH, ID_DELETE_SESSION, ID_UPDATE_WINAMP, ID_ADD_ALL, ID_OPTIONS})
            m_enabledDuringJob += view.Action(id)->isEnabled() ? 1 : 0;
        switch (m_ticks++ % 8) {
        case 0:
            QTest::mouseClick(songs, Qt::LeftButton, {}, RowCenter(view.SongList(), 0));
            break;
        case 1:
            QTest::mouseDClick(songs, Qt::LeftButton, {}, RowCenter(view.SongList(), 1));
            break;
        case 2:
            QTest::mouseClick(sessions, Qt::LeftButton, {}, RowCenter(view.SessionList(), 0));
            break;
        case 3:
            QTest::keyClick(&m_f.Frame(), Qt::Key_F3); // Search
            break;
        case 4:
            m_f.prompts.answers.enqueue(EAnswer::Ok);
            QTest::keyClick(&m_f.Frame(), Qt::Key_F4); // Delete Session
            break;
        case 5:
            m_f.prompts.answers.enqueue(EAnswer::Yes);
            view.Action(ID_DELETE_SELECTED_FILE)->trigger();
            break;
        case 6:
            QTest::keyClick(&m_f.Frame(), Qt::Key_F5); // Add to the playlist
            break;
        default:
            QTest::keyClick(&m_f.Frame(), Qt::Key_F8); // Clear the playlist
            break;
        }
    }
    int Ticks() const { return m_ticks; }
    int EnabledDuringJob() const { return m_enabledDuringJob; }

private:
    CViewFixture& m_f;
    int m_ticks = 0;
    int m_enabledDuringJob = 0;
};

} // namespace

// Clicks and keys during a scan neither reach the catalogue nor move the cursor the scan
// writes through: every file is stored once, no other row changes, and Total is right.
TEST(ScanWhileClickingTest, TheCatalogueSurvivesAUserWhoKeepsClicking)
{
    CViewFixture f;
    f.SkipStartQuestions();
    const QString folder = f.env.MakeDir(QStringLiteral("disc"));
    CMp3Factory::SStream stream;
    stream.seconds = 0.3;
    const QByteArray song = CMp3Factory::Audio(stream);
    for (int i = 0; i < kFiles; ++i)
        ASSERT_TRUE(CMp3Factory::WriteFile(
            QDir(folder).filePath(QStringLiteral("%1 - Song.mp3").arg(i, 4, 10, QLatin1Char('0'))),
            song));
    for (int i = 0; i < 40; ++i)
        f.AddSong(QStringLiteral("Another"), QStringLiteral("Other %1").arg(i));
    f.AddSong(QStringLiteral("Scanned"), QStringLiteral("stale"), folder);
    CSettings::WriteString(QLatin1String(CSettings::kCDPath), QStringLiteral("Scanned"), folder);
    f.Start();
    f.Frame().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.Frame()));
    const QMap<qint64, QString> others = Rows(f.View().Doc(), QStringLiteral("Another"));

    // "Another" is listed (its songs fill the list); "Scanned" is updated from the menu.
    QListView* sessions = f.View().SessionList();
    sessions->setCurrentIndex(sessions->model()->index(0, 0));
    ASSERT_EQ(f.View().SongList()->RowCount(), 40);
    sessions->setCurrentIndex(sessions->model()->index(1, 0));
    CRestlessUser user(f);
    QTimer hands;
    QObject::connect(&hands, &QTimer::timeout, [&] { user.Act(); });
    hands.start(1);
    f.prompts.answers.enqueue(EAnswer::Ok); // "This will update the selected session"
    f.View().Action(ID_UPDATE_SESSION)->trigger();
    hands.stop();

    EXPECT_GT(user.Ticks(), 20) << "the scan gave the user no chance to click";
    EXPECT_EQ(user.EnabledDuringJob(), 0);
    const QMap<qint64, QString> scanned = Rows(f.View().Doc(), QStringLiteral("Scanned"));
    QSet<QString> files;
    for (const QString& row : scanned)
        files.insert(row.section(u'|', 3, 3));
    EXPECT_EQ(scanned.size(), kFiles);
    EXPECT_EQ(files.size(), kFiles);
    EXPECT_TRUE(Rows(f.View().Doc(), QStringLiteral("Another")) == others);
    const qint64 all = Rows(f.View().Doc()).size();
    EXPECT_EQ(all, kFiles + 40);
    EXPECT_EQ(f.View().Field(IDC_TOTAL)->text(), QString::number(all));
    // Afterwards the commands are back.
    EXPECT_TRUE(f.View().Action(ID_SEARCH)->isEnabled());
    EXPECT_TRUE(f.View().Action(ID_DELETE_SESSION)->isEnabled());
}
