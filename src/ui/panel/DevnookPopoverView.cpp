#include "DevnookPopoverView.h"

#include "EmptyProjectsView.h"
#include "ui/form/ProjectFormPage.h"
#include "ui/kit/Kit.h"
#include "ui/shell/DevnookNavigation.h"
#include "ui/shell/ShellStore.h"

#include <QStackedLayout>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

QWidget *makeGroupedPage(const QString &name, QWidget *parent)
{
    auto *page = new QWidget(parent);
    page->setObjectName(name);
    page->setAttribute(Qt::WA_StyledBackground);
    Kit::setRole(page, Kit::Role::kGrouped);
    return page;
}

} // namespace

DevnookPopoverView::DevnookPopoverView(ShellStore &store, DevnookNavigation &navigation,
                                       ProjectFormCatalogue &catalogue, AlertAsker &alerts, QWidget *parent)
    : QWidget(parent), m_store(store), m_navigation(navigation)
{
    setObjectName(u"devnookPopoverView"_s);

    m_listPage = new QWidget(this);
    m_listPage->setObjectName(u"projectListMode"_s);
    auto *listColumn = new QVBoxLayout(m_listPage);
    listColumn->setContentsMargins(0, 0, 0, 0);
    listColumn->setSpacing(0);
    auto *listBody = new QWidget(m_listPage);
    m_listBody = new QStackedLayout(listBody);
    m_emptyView = new EmptyProjectsView(listBody);
    m_projectList = makeGroupedPage(u"projectList"_s, listBody);
    m_listBody->addWidget(m_emptyView);
    m_listBody->addWidget(m_projectList);
    listColumn->addWidget(listBody, 1);

    m_formPage = new ProjectFormPage(catalogue, alerts, m_navigation, this);

    m_modes = new QStackedLayout(this);
    m_modes->addWidget(m_listPage);
    m_modes->addWidget(m_formPage);

    connect(m_emptyView, &EmptyProjectsView::addRequested, &m_navigation,
            &DevnookNavigation::openNewProjectForm);
    connect(&m_navigation, &DevnookNavigation::projectFormShownChanged, this,
            &DevnookPopoverView::showCurrentMode);
    connect(&m_store, &ShellStore::changed, this, &DevnookPopoverView::showCurrentMode);
    showCurrentMode();
}

void DevnookPopoverView::showCurrentMode()
{
    m_modes->setCurrentWidget(m_navigation.isShowingProjectForm() ? m_formPage : m_listPage);
    m_listBody->setCurrentWidget(m_store.isEmpty() ? static_cast<QWidget *>(m_emptyView) : m_projectList);
}

} // namespace devnook
