#include "ui/CustomiseToolbars.h"

#include "core/Guard.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWidgetAction>

namespace {
QString Plain(const QAction* action)
{
    QString text = action->text();
    text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    return text;
}

QListWidgetItem* CommandItem(QAction* action)
{
    auto* item = new QListWidgetItem(action->icon(), Plain(action));
    item->setData(Qt::UserRole, QVariant::fromValue(static_cast<QObject*>(action)));
    return item;
}

QAction* ActionOf(const QListWidgetItem* item)
{
    return item ? qobject_cast<QAction*>(item->data(Qt::UserRole).value<QObject*>()) : nullptr;
}
} // namespace

TCustomiseToolbars::TCustomiseToolbars(QList<ToolbarCommand> commands, QStringList categories, BarsFn bars,
                                       AddFn add, NewBarFn newBar, QWidget* parent)
    : QDialog(parent), commands_(std::move(commands)), bars_(std::move(bars)), add_(std::move(add)),
      newBar_(std::move(newBar))
{
    setObjectName(QStringLiteral("CustomiseToolbars"));
    setWindowTitle(QStringLiteral("Customise Toolbars"));

    barBox_ = new QComboBox(this);
    visibleBox_ = new QCheckBox(QStringLiteral("&Visible"), this);
    auto* newBarButton = new QPushButton(QStringLiteral("&New Toolbar..."), this);
    categoryList_ = new QListWidget(this);
    commandList_ = new QListWidget(this);
    barList_ = new QListWidget(this);
    addButton_ = new QPushButton(QStringLiteral("&Add >>"), this);
    removeButton_ = new QPushButton(QStringLiteral("<< &Remove"), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);

    for (const QString& category : categories)
        categoryList_->addItem(category);
    categoryList_->setMaximumWidth(130);

    auto* barLabel = new QLabel(QStringLiteral("&Toolbar:"), this);
    barLabel->setBuddy(barBox_);
    auto* top = new QHBoxLayout;
    top->addWidget(barLabel);
    top->addWidget(barBox_, 1);
    top->addWidget(visibleBox_);
    top->addWidget(newBarButton);

    auto* grid = new QGridLayout;
    auto* categoryLabel = new QLabel(QStringLiteral("Ca&tegories:"), this);
    categoryLabel->setBuddy(categoryList_);
    auto* commandLabel = new QLabel(QStringLiteral("Co&mmands:"), this);
    commandLabel->setBuddy(commandList_);
    auto* barCommandsLabel = new QLabel(QStringLiteral("On the &bar:"), this);
    barCommandsLabel->setBuddy(barList_);
    grid->addWidget(categoryLabel, 0, 0);
    grid->addWidget(commandLabel, 0, 1);
    grid->addWidget(barCommandsLabel, 0, 3);
    grid->addWidget(categoryList_, 1, 0);
    grid->addWidget(commandList_, 1, 1);
    auto* middle = new QVBoxLayout;
    middle->addStretch(1);
    middle->addWidget(addButton_);
    middle->addWidget(removeButton_);
    middle->addStretch(1);
    grid->addLayout(middle, 1, 2);
    grid->addWidget(barList_, 1, 3);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(grid, 1);
    layout->addWidget(buttons);
    resize(640, 400);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
    connect(barBox_, &QComboBox::currentIndexChanged, this, [this] { Guarded(this, [&] { FillBarCommands(); }); });
    connect(categoryList_, &QListWidget::currentRowChanged, this, [this] { Guarded(this, [&] { FillCommands(); }); });
    connect(commandList_, &QListWidget::currentRowChanged, this, [this] { Guarded(this, [&] { UpdateButtons(); }); });
    connect(barList_, &QListWidget::currentRowChanged, this, [this] { Guarded(this, [&] { UpdateButtons(); }); });
    connect(commandList_, &QListWidget::itemDoubleClicked, this, [this] { Guarded(this, [&] { AddSelected(); }); });
    connect(barList_, &QListWidget::itemDoubleClicked, this, [this] { Guarded(this, [&] { RemoveSelected(); }); });
    connect(addButton_, &QPushButton::clicked, this, [this] { Guarded(this, [&] { AddSelected(); }); });
    connect(removeButton_, &QPushButton::clicked, this, [this] { Guarded(this, [&] { RemoveSelected(); }); });
    connect(visibleBox_, &QCheckBox::toggled, this, [this](bool on) {
        Guarded(this, [&] {
            if (QToolBar* bar = CurrentBar())
                bar->setVisible(on);
        });
    });
    connect(newBarButton, &QPushButton::clicked, this, [this] {
        Guarded(this, [&] {
            bool ok = false;
            const QString title = QInputDialog::getText(this, QStringLiteral("New Toolbar"), QStringLiteral("Toolbar &name:"),
                                                        QLineEdit::Normal, QStringLiteral("Custom"), &ok);
            if (ok && !title.trimmed().isEmpty())
                NewBar(title.trimmed());
        });
    });

    FillBars();
    categoryList_->setCurrentRow(0);
}

QToolBar* TCustomiseToolbars::CurrentBar() const
{
    return qobject_cast<QToolBar*>(barBox_->currentData().value<QObject*>());
}

void TCustomiseToolbars::FillBars()
{
    QPointer<QToolBar> keep = CurrentBar();
    const QSignalBlocker block(barBox_);
    barBox_->clear();
    for (QToolBar* bar : bars_())
        barBox_->addItem(bar->windowTitle(), QVariant::fromValue(static_cast<QObject*>(bar)));
    const int index = keep ? barBox_->findData(QVariant::fromValue(static_cast<QObject*>(keep.data()))) : 0;
    barBox_->setCurrentIndex(qMax(0, index));
    FillBarCommands();
}

void TCustomiseToolbars::SelectBar(QToolBar* bar)
{
    const int index = barBox_->findData(QVariant::fromValue(static_cast<QObject*>(bar)));
    if (index >= 0)
        barBox_->setCurrentIndex(index);
}

void TCustomiseToolbars::SelectCategory(const QString& category)
{
    const auto found = categoryList_->findItems(category, Qt::MatchExactly);
    if (!found.isEmpty())
        categoryList_->setCurrentItem(found.first());
}

void TCustomiseToolbars::SelectCommand(const QAction* action)
{
    for (int row = 0; row < commandList_->count(); ++row)
        if (ActionOf(commandList_->item(row)) == action)
            commandList_->setCurrentRow(row);
}

void TCustomiseToolbars::FillCommands()
{
    commandList_->clear();
    const QListWidgetItem* category = categoryList_->currentItem();
    if (category) {
        for (const ToolbarCommand& command : commands_)
            if (command.action && command.category == category->text())
                commandList_->addItem(CommandItem(command.action));
    }
    UpdateButtons();
}

void TCustomiseToolbars::FillBarCommands()
{
    barList_->clear();
    QToolBar* bar = CurrentBar();
    {
        const QSignalBlocker block(visibleBox_);
        visibleBox_->setChecked(bar && !bar->isHidden());
        visibleBox_->setEnabled(bar != nullptr);
    }
    if (bar) {
        for (QAction* action : bar->actions()) {
            if (action->isSeparator())
                continue;
            barList_->addItem(CommandItem(action));
        }
    }
    UpdateButtons();
}

QAction* TCustomiseToolbars::SelectedCommand() const
{
    return ActionOf(commandList_->currentItem());
}

QAction* TCustomiseToolbars::SelectedBarCommand() const
{
    return ActionOf(barList_->currentItem());
}

void TCustomiseToolbars::UpdateButtons()
{
    QToolBar* bar = CurrentBar();
    QAction* command = SelectedCommand();
    addButton_->setEnabled(bar && command && !bar->actions().contains(command));
    QAction* onBar = SelectedBarCommand();
    // Widgets on a bar (the query box) belong to it; Reset Toolbar brings
    // back the designed contents.
    removeButton_->setEnabled(bar && onBar && !qobject_cast<QWidgetAction*>(onBar));
}

void TCustomiseToolbars::AddSelected()
{
    QToolBar* bar = CurrentBar();
    QAction* command = SelectedCommand();
    if (!bar || !command || bar->actions().contains(command))
        return;
    add_(bar, command);
    FillBarCommands();
    barList_->setCurrentRow(barList_->count() - 1);
}

void TCustomiseToolbars::RemoveSelected()
{
    QToolBar* bar = CurrentBar();
    QAction* onBar = SelectedBarCommand();
    if (!bar || !onBar || qobject_cast<QWidgetAction*>(onBar))
        return;
    const int row = barList_->currentRow();
    bar->removeAction(onBar);
    FillBarCommands();
    barList_->setCurrentRow(qMin(row, barList_->count() - 1));
}

QToolBar* TCustomiseToolbars::NewBar(const QString& title)
{
    QToolBar* bar = newBar_(title);
    if (bar) {
        bar->show();
        FillBars();
        SelectBar(bar);
    }
    return bar;
}
