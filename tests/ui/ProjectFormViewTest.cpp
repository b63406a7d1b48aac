#include "ShellDoubles.h"
#include "core/panel/DevnookNavigation.h"
#include "support/FormDoubles.h"
#include "support/PlainTextLabels.h"
#include "ui/form/ProjectFormPage.h"
#include "ui/form/ProjectFormTabBar.h"
#include "ui/form/ReorderableRows.h"
#include "ui/kit/ThemeApplier.h"

#include <QDragEnterEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

// The form in the panel's page, driven through its widgets.
class ProjectFormViewTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_folder;
    test::MemoryFormCatalogue m_catalogue;
    test::ScriptedAlertAsker m_alerts;
    std::unique_ptr<DevnookNavigation> m_navigation;
    std::unique_ptr<ProjectFormPage> m_page;

    ProjectFormView &open(const std::optional<DevProject> &project)
    {
        m_navigation->setEditingProject(project);
        m_navigation->setShowingProjectForm(true);
        m_page->resize(620, 700);
        m_page->show();
        return *m_page->form();
    }

    template <typename T = QLineEdit> T *find(const QString &name) const
    {
        return m_page->form()->findChild<T *>(name);
    }

    DevProject edited() const
    {
        DevProject project;
        project.id = QUuid::createUuid();
        project.name = u"Shop"_s;
        project.folderPath = m_folder.path();
        project.services = {ProjectService{QUuid::createUuid(), u"web"_s, u"vite"_s, {}}};
        return project;
    }

private Q_SLOTS:
    void init()
    {
        m_catalogue = {};
        m_navigation = std::make_unique<DevnookNavigation>();
        m_page = std::make_unique<ProjectFormPage>(m_catalogue, m_alerts, *m_navigation);
    }

    void returnSavesAndEscapeCancels_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("stored");
        QTest::newRow("Return") << int(Qt::Key_Return) << 1;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << 0;
    }

    void returnSavesAndEscapeCancels()
    {
        QFETCH(int, key);
        QFETCH(int, stored);
        open(std::nullopt);
        QTest::keyClicks(find(u"folderPath"_s), m_folder.path());
        QTest::keyClicks(find(u"projectName"_s), u" Blog "_s);
        QTest::keyClick(find(u"projectName"_s), Qt::Key(key));
        QCOMPARE(m_catalogue.stored.size(), stored);
        QVERIFY(!m_navigation->isShowingProjectForm());
        if (stored)
            QCOMPARE(m_catalogue.stored[0].name, u"Blog"_s);
    }

    void refusedSaveKeepsTheFormWithTheStoreError()
    {
        // The refusal quotes another project's name, shown as typed.
        m_catalogue.refusal = u"Folder in use by <i>Blog</i>"_s;
        open(edited());
        find<QPushButton>(u"saveProjectForm"_s)->click();
        QVERIFY(m_navigation->isShowingProjectForm());
        QVERIFY(find<QLabel>(u"validationMessage"_s)->isVisibleTo(m_page.get()));
        QVERIFY(find<QLabel>(u"validationMessage"_s)->text().endsWith(u"Folder in use by <i>Blog</i>"_s));
        const QString problem = test::plainTextProblem(m_page.get(), u"<i>Blog</i>"_s);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    void tabCountersFollowTheDraft()
    {
        open(edited());
        auto *tabBar = find<ProjectFormTabBar>(u"projectFormTabBar"_s);
        const int withOne = tabBar->tabRect(ProjectFormTab::execution).width();
        QTest::mouseClick(tabBar, Qt::LeftButton, {}, tabBar->tabRect(ProjectFormTab::execution).center());
        find<QLineEdit>(u"serviceCommand"_s)->clear();
        QTest::keyClick(find(u"serviceCommand"_s), Qt::Key_Space);
        // A blank command counts for nothing, so the counter goes.
        QVERIFY(tabBar->tabRect(ProjectFormTab::execution).width() < withOne);
        const int notesWidth = tabBar->tabRect(ProjectFormTab::notes).width();
        QTest::mouseClick(tabBar, Qt::LeftButton, {}, tabBar->tabRect(ProjectFormTab::notes).center());
        QTest::keyClicks(find<QPlainTextEdit>(u"notes"_s), u"call Ana"_s);
        QVERIFY(tabBar->tabRect(ProjectFormTab::notes).width() > notesWidth);
    }

    void rowsEditTheirOwnRecordAfterADelete()
    {
        open(edited());
        auto *tabBar = find<ProjectFormTabBar>(u"projectFormTabBar"_s);
        QTest::mouseClick(tabBar, Qt::LeftButton, {}, tabBar->tabRect(ProjectFormTab::preview).center());
        auto *add = find<QPushButton>(u"addLinkedURL"_s);
        for (int i = 0; i < 3; ++i)
            add->click();
        QList<QLineEdit *> names = m_page->form()->findChildren<QLineEdit *>(u"linkedURLName"_s);
        QCOMPARE(names.size(), 3);
        names[1]->parentWidget()->findChild<QPushButton *>()->click();
        QTest::keyClicks(names[2], u"admin"_s);
        const QList<ProjectPreviewLinkedURL> &urls = m_page->form()->controller().draft().previewLinkedURLs;
        QCOMPARE(urls.size(), 2);
        QCOMPARE(urls[0].name, QString());
        QCOMPARE(urls[1].name, u"admin"_s);
    }

    void onlyTheEditorsOwnDragsReorder()
    {
        open(edited());
        auto *tabBar = find<ProjectFormTabBar>(u"projectFormTabBar"_s);
        QTest::mouseClick(tabBar, Qt::LeftButton, {}, tabBar->tabRect(ProjectFormTab::execution).center());
        find<QPushButton>(u"addService"_s)->click();
        auto *rows = m_page->form()->findChild<ReorderableRows *>();
        const QList<ProjectService> before = m_page->form()->controller().draft().services;

        // A drag that ends without a drop on the rows leaves no drag state behind.
        auto *handle = rows->findChild<DragHandle *>();
        QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(4, 4));
        QTest::mouseMove(handle, QPoint(4, 40));
        QVERIFY(rows->draggedID().isNull());

        // Text dragged in from elsewhere moves nothing.
        QMimeData text;
        text.setText(before[1].id.toString());
        const QPoint firstRow = rows->row(before[0].id)->geometry().center();
        QDragEnterEvent enter(firstRow, Qt::MoveAction, &text, Qt::LeftButton, {});
        QApplication::sendEvent(rows, &enter);
        QDragMoveEvent move(firstRow, Qt::MoveAction, &text, Qt::LeftButton, {});
        QApplication::sendEvent(rows, &move);
        QVERIFY(!move.isAccepted());
        QCOMPARE(m_page->form()->controller().draft().services, before);
    }

    // Under the theme's style sheet the add page's controls keep their own
    // heights and every link title shows whole.
    void addPageShowsItsControlsWhole()
    {
        test::SettingsRig settings;
        ThemeApplier theme(settings.settings);
        open(std::nullopt);
        auto *advanced = find<QPushButton>(u"advancedOptions"_s);
        advanced->click();
        QTRY_VERIFY(advanced->height() >= advanced->layout()->sizeHint().height());
        QCOMPARE(find<QPushButton>(u"chooseFolder"_s)->height(), 28);
        for (QWidget *row : m_page->form()->findChildren<QWidget *>()) {
            if (!row->objectName().startsWith(u"link-"_s))
                continue;
            const QString title = row->findChild<QLabel *>()->text();
            QVERIFY2(!title.endsWith(u'…'), qPrintable(title));
        }
    }
};

QTEST_MAIN(ProjectFormViewTest)
#include "ProjectFormViewTest.moc"
