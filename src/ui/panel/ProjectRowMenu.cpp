#include "ProjectRowMenu.h"

#include "core/foundation/L10n.h"
#include "ui/kit/Icons.h"
#include "ui/kit/Palette.h"

#include <QMenu>

namespace devnook::ProjectRowMenu {

void fill(QMenu &menu, const QList<RowMenuEntry> &entries,
          const std::function<void(RowAction action, qsizetype linkIndex)> &choose)
{
    const ThemePalette &colors = Palette::of(menu.palette());
    for (const RowMenuEntry &entry : entries) {
        const QIcon icon = entry.symbol.isEmpty() ? QIcon() : Icons::icon(entry.symbol, colors.label);
        const QString title = entry.plainTitle.isEmpty() ? L10n::text(entry.titleKey) : entry.plainTitle;
        switch (entry.kind) {
        case RowMenuEntry::Kind::separator:
            menu.addSeparator();
            break;
        case RowMenuEntry::Kind::sectionHeader:
            menu.addSection(title);
            break;
        case RowMenuEntry::Kind::submenu: {
            QMenu *submenu = menu.addMenu(icon, title);
            submenu->setObjectName(entry.titleKey);
            fill(*submenu, entry.children, choose);
            break;
        }
        case RowMenuEntry::Kind::item: {
            QAction *action = menu.addAction(icon, title);
            action->setObjectName(entry.titleKey.isEmpty() ? title : entry.titleKey);
            action->setEnabled(entry.enabled);
            const RowAction what = entry.action;
            const qsizetype link = entry.linkIndex;
            QObject::connect(action, &QAction::triggered, &menu,
                             [choose, what, link] { choose(what, link); });
            break;
        }
        }
    }
}

} // namespace devnook::ProjectRowMenu
