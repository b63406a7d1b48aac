#include "DialogDriving.h"
#include "core/panel/DevnookNavigation.h"
#include "support/PlainTextLabels.h"
#include "support/StoreDoubles.h"
#include "support/TestEnvironment.h"
#include "ui/form/ProjectFormPage.h"
#include "ui/form/ProjectFormTabBar.h"
#include "ui/form/StoreFormCatalogue.h"
#include "ui/kit/AlertAsker.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace devnook;

// The form in the panel's page over the real store, folder dialog and suggestions.
class ProjectFormStoreTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_folder;
    MessageBoxAlertAsker m_alerts;
    DevnookNavigation m_navigation;

private Q_SLOTS:
    void initTestCase()
    {
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        QVERIFY(QDir().mkpath(QDir::homePath()));
    }

    // A new project from a real folder, then every tab edited, through the
    // real folder dialog, suggestions and store.
    void addAndEditThroughTheStore()
    {
        test::ScriptedStore rig;
        ProjectStore &store = rig.open();
        StoreFormCatalogue catalogue(store);
        ProjectFormPage page(catalogue, m_alerts, m_navigation);
        page.resize(620, 700);
        page.show();
        const QString folder = m_folder.filePath(u"blog"_s);
        test::writeFile(folder + u"/package.json"_s,
                        R"({"scripts": {"dev": "vite --port 4000"}, "dependencies": {"vue": "3"}})");
        test::writeFile(folder + u"/pnpm-lock.yaml"_s, "");

        m_navigation.openNewProjectForm();
        QTimer::singleShot(0, this, [folder] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->setDirectory(folder);
            dialog->selectFile(folder);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        page.form()->findChild<QPushButton *>(u"chooseFolder"_s)->click();
        ProjectFormController &form = page.form()->controller();
        QTRY_COMPARE(form.draft().stack, u"Vue"_s);
        QCOMPARE(form.draft().name, u"blog"_s);
        QCOMPARE(form.draft().services.value(0).command, u"pnpm dev"_s);
        page.form()->findChild<QPushButton *>(u"saveProjectForm"_s)->click();
        QVERIFY(!m_navigation.isShowingProjectForm());
        QCOMPARE(rig.stored().size(), 1);
        QCOMPARE(rig.stored()[0].localhostURL, u"http://localhost:4000"_s);

        m_navigation.setEditingProject(rig.stored()[0]);
        m_navigation.setShowingProjectForm(true);
        auto *tabBar = page.form()->findChild<ProjectFormTabBar *>();
        const auto showTab = [&](ProjectFormTab tab) {
            QTest::mouseClick(tabBar, Qt::LeftButton, {}, tabBar->tabRect(tab).center());
        };
        showTab(ProjectFormTab::execution);
        page.form()->findChild<QPushButton *>(u"addService"_s)->click();
        QTest::keyClicks(page.form()->findChildren<QLineEdit *>(u"serviceCommand"_s).value(1), u"pnpm api"_s);
        showTab(ProjectFormTab::preview);
        page.form()->findChild<QPushButton *>(u"addLinkedURL"_s)->click();
        QTest::keyClicks(page.form()->findChild<QLineEdit *>(u"linkedURL"_s), u"localhost:4000/admin"_s);
        showTab(ProjectFormTab::links);
        QTest::keyClicks(page.form()->findChild<QWidget *>(u"link-github"_s)->findChild<QLineEdit *>(),
                         u"github.com/a/blog"_s);
        page.form()->findChild<QPushButton *>(u"addCustomLink"_s)->click();
        QTest::keyClicks(
            page.form()->findChild<QWidget *>(u"customLink"_s)->findChild<QLineEdit *>(u"linkURL"_s),
            u"sentry.io"_s);
        QTest::keyClicks(page.form()->findChild<QPlainTextEdit *>(u"customLinkTitle"_s), u"Errors "_s);
        showTab(ProjectFormTab::notes);
        QTest::keyClicks(page.form()->findChild<QPlainTextEdit *>(u"notes"_s), u" deploy on Fridays "_s);
        showTab(ProjectFormTab::general);
        QTest::keyClicks(page.form()->findChild<QLineEdit *>(u"client"_s), u"Acme"_s);
        page.form()->findChild<QWidget *>(u"swatch-212121"_s)->setFocus();
        QTest::mouseClick(page.form()->findChild<QWidget *>(u"swatch-212121"_s), Qt::LeftButton);
        QTest::keyClick(page.form()->findChild<QLineEdit *>(u"client"_s), Qt::Key_Return);

        QVERIFY(!m_navigation.isShowingProjectForm());
        const DevProject saved = rig.stored().value(0);
        QCOMPARE(rig.stored().size(), 1);
        QCOMPARE(saved.client, u"Acme"_s);
        QCOMPARE(saved.clientColorHex, u"212121"_s);
        QCOMPARE(saved.services.size(), 2);
        QCOMPARE(saved.services[1].command, u"pnpm api"_s);
        QCOMPARE(saved.previewLinkedURLs.value(0).url, u"http://localhost:4000/admin"_s);
        QCOMPARE(saved.workspaceLinks.size(), 2);
        QCOMPARE(saved.workspaceLinks[0].url, u"https://github.com/a/blog"_s);
        QCOMPARE(saved.workspaceLinks[1].title, u"Errors"_s);
        QCOMPARE(saved.notes, u"deploy on Fridays"_s);
        QCOMPARE(store.projects().value(0), saved);
    }

    // The folder dialog opens in home, then beside the folder chosen last. A
    // folder that another project uses, here through a link, is refused in
    // the real alert over the page, which quotes that project's name as typed,
    // and leaves the draft as it was.
    void choosingAFolderThroughTheDialogs()
    {
        const QString shopFolder = m_folder.filePath(u"shop"_s);
        const QString link = m_folder.filePath(u"shop-link"_s);
        const QString blogFolder = m_folder.filePath(u"blog-site"_s);
        QVERIFY(QDir().mkpath(shopFolder) && QDir().mkpath(blogFolder) && QFile::link(shopFolder, link));
        test::ScriptedStore rig;
        StoreFormCatalogue catalogue(rig.open({test::makeProject(u"<i>Shop</i>"_s, shopFolder)}));
        ProjectFormPage page(catalogue, m_alerts, m_navigation);
        page.show();
        m_navigation.openNewProjectForm();
        const auto choose = [&](const QString &startFolder, const QString &folder) {
            test::answerWhenShown<QFileDialog>(
                this, [this, startFolder, folder, link, &page](QFileDialog &dialog) {
                    const QString openedIn = QDir(dialog.directory()).canonicalPath();
                    const bool overThePage = dialog.parentWidget() == &page;
                    if (folder == link) {
                        test::answerWhenShown<QMessageBox>(this, [&page](QMessageBox &alert) {
                            const bool alertOverThePage = alert.parentWidget() == &page;
                            const QString problem = test::plainTextProblem(&alert, u"<i>Shop</i>"_s);
                            test::clickButton(alert, u"ok"_s);
                            QVERIFY(alertOverThePage);
                            QVERIFY2(problem.isEmpty(), qPrintable(problem));
                        });
                    }
                    test::choosePath(dialog, folder);
                    QVERIFY(overThePage);
                    QCOMPARE(openedIn, QDir(startFolder).canonicalPath());
                });
            page.form()->findChild<QPushButton *>(u"chooseFolder"_s)->click();
        };

        choose(QDir::homePath(), link);
        QCOMPARE(page.form()->controller().draft().folderPath, QString());
        choose(m_folder.path(), blogFolder);
        QCOMPARE(page.form()->controller().draft().folderPath, blogFolder);
        QCOMPARE(page.form()->controller().draft().name, u"blog-site"_s);
        m_navigation.closeProjectForm();
    }
};

QTEST_MAIN(ProjectFormStoreTest)
#include "ProjectFormStoreTest.moc"
