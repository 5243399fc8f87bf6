#include "options/OptionsWidgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

QIcon ThemedIcon(const QString& names, QStyle::StandardPixmap fallback)
{
    for (const QString& name : names.split(QLatin1Char('|')))
        if (QIcon::hasThemeIcon(name))
            return QIcon::fromTheme(name);
    return QApplication::style()->standardIcon(fallback);
}

QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const QString& text, const QString& hint)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setToolTip(hint);
    return box;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, const QString& hint)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    button->setAutoDefault(false);
    return button;
}

QTreeWidget* MakeReportList(QWidget* parent, const char* name, const QStringList& columns,
                            const QList<int>& widths, const QString& hint)
{
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setColumnCount(int(columns.size()));
    list->setHeaderLabels(columns);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->header()->setSectionsClickable(false);
    list->header()->setSortIndicatorShown(false);
    list->header()->setStretchLastSection(true);
    for (int i = 0; i < widths.size(); ++i)
        list->setColumnWidth(i, widths[i]);
    list->setToolTip(hint);
    return list;
}

namespace {
std::function<QString(QFileDialog&)>& fileDialogRunner()
{
    static std::function<QString(QFileDialog&)> runner;
    return runner;
}
} // namespace

QString RunFileDialog(QFileDialog& dialog)
{
    // A copy: the runner may replace itself while it runs.
    if (const auto runner = fileDialogRunner())
        return runner(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

void SetFileDialogRunner(std::function<QString(QFileDialog&)> runner)
{
    fileDialogRunner() = std::move(runner);
}
