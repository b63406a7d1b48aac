#include "support/LocalTime.h"
#include "support/PlainTextLabels.h"
#include "support/StoreDoubles.h"
#include "support/TestEnvironment.h"
#include "ui/env/EnvFileRow.h"
#include "ui/env/ProjectEnvDetailView.h"
#include "ui/env/ProjectEnvDetailWindowController.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

QList<EnvFileRow *> rows(const QWidget *widget)
{
    return widget->findChildren<EnvFileRow *>();
}

QString labelText(const QWidget *widget, const QString &name)
{
    const auto *label = widget->findChild<QLabel *>(name);
    return label ? label->text() : QString();
}

} // namespace

class ProjectEnvWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rowsShowBadgeSizesAndDates()
    {
        const test::ScopedTimeZone zone("Europe/Madrid");
        const test::ScopedLocale locale(QLocale(QLocale::English, QLocale::UnitedKingdom));
        const ProjectEnvDetail detail{
            u"local"_s,
            u".env.local"_s,
            {{u".env.local"_s, u".env.local"_s, u"local"_s, test::localTime(2026, 3, 2, 9, 5), 1500},
             {u".ENV.LOCAL"_s, u".ENV.LOCAL"_s, u"LOCAL"_s, std::nullopt, 12},
             {u".env"_s, u".env"_s, u"default"_s, test::localTime(2025, 12, 31, 23, 59), 0}},
        };
        ProjectEnvDetailView view(u"Shop"_s, nullptr);
        view.setDetail(detail);
        const QList<EnvFileRow *> shown = rows(&view);
        QCOMPARE(shown.size(), 3);
        QCOMPARE(labelText(&view, u"env_detail_files_found"_s), u"3"_s);
        QCOMPARE(labelText(&view, u"env_detail_base_file"_s), u".env.local"_s);
        QCOMPARE(labelText(&view, u"env_detail_local_profile"_s), u"local"_s);

        const QStringList expected[] = {
            {u".env.local"_s, u"Profile: local"_s, u"1.5 kB"_s, u"2 Mar 2026 09:05"_s, u"badge"_s},
            {u".ENV.LOCAL"_s, u"Profile: LOCAL"_s, u"12 bytes"_s, u"Modified date unknown"_s, QString()},
            {u".env"_s, u"Profile: default"_s, u"0 bytes"_s, u"31 Dec 2025 23:59"_s, QString()},
        };
        for (int i = 0; i < 3; ++i) {
            const bool badge = shown[i]->findChild<QLabel *>(u"baseFileBadge"_s) != nullptr;
            const QStringList row{labelText(shown[i], u"fileName"_s), labelText(shown[i], u"profileName"_s),
                                  labelText(shown[i], u"fileSize"_s), labelText(shown[i], u"fileDate"_s),
                                  badge ? u"badge"_s : QString()};
            QCOMPARE(row, expected[i]);
        }

        view.setDetail(std::nullopt);
        QVERIFY(rows(&view).isEmpty());
        QVERIFY(view.findChild<QLabel *>(u"emptyState"_s));
    }

    // Names from the user and the folder show as typed, never as markup.
    void namesShowAsTyped()
    {
        const QString file = u".env.<b>x</b>"_s;
        ProjectEnvDetailView view(u"<i>Shop</i>"_s, nullptr);
        view.setDetail(ProjectEnvDetail{u"<b>x</b>"_s, file, {{file, file, u"<b>x</b>"_s, std::nullopt, 1}}});
        for (const QString &text : {u"<i>Shop</i>"_s, file, u"<b>x</b>"_s}) {
            const QString problem = test::plainTextProblem(&view, text);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        }
    }

    // A real folder scanned through the store: on opening, on a repeated
    // request and on refresh, with one window per project (kept as the logs
    // windows are, whose test covers placing and forgetting them).
    void windowScansTheFolderAndIsKeptPerProject()
    {
        test::ScriptedStore rig;
        QTemporaryDir folder;
        test::writeFile(folder.filePath(u".env"_s), "A=1\n");
        test::writeFile(folder.filePath(u".env.local"_s), "B=2\n");
        const DevProject project = test::makeProject(u"Shop"_s, folder.path());
        const DevProject other = test::makeProject(u"Blog"_s, QDir::tempPath() + u"/devnook-missing"_s);
        ProjectStore &store = rig.open({project, other});
        ProjectEnvDetailWindowController windows(store);

        windows.show(project);
        QWidget *window = windows.window(project.id);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->windowTitle(), u".env Files - Shop"_s);
        QTRY_COMPARE(rows(window).size(), 2);

        test::writeFile(folder.filePath(u".env.production"_s), "C=3\n");
        window->move(5, 5);
        const QPoint moved = window->pos();
        windows.show(project);
        QCOMPARE(windows.window(project.id), window);
        QCOMPARE(window->pos(), moved);
        QTRY_COMPARE(rows(window).size(), 3);

        QVERIFY(QFile::remove(folder.filePath(u".env"_s)));
        window->findChild<QAbstractButton *>(u"refreshButton"_s)->click();
        QTRY_COMPARE(rows(window).size(), 2);

        windows.show(other);
        QWidget *second = windows.window(other.id);
        QVERIFY(second && second != window);
        QVERIFY(second->findChild<QLabel *>(u"emptyState"_s));
    }
};

QTEST_MAIN(ProjectEnvWindowTest)
#include "ProjectEnvWindowTest.moc"
