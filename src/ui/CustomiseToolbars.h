#pragma once
// The toolbar customisation dialog: pick a bar, pick commands by category,
// add them to the bar or remove them from it; new bars can be made.

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;
class QToolBar;

struct ToolbarCommand {
    QAction* action = nullptr;
    QString category;
};

class TCustomiseToolbars : public QDialog {
    Q_OBJECT
public:
    using BarsFn = std::function<QList<QToolBar*>()>;
    using AddFn = std::function<void(QToolBar*, QAction*)>;
    using NewBarFn = std::function<QToolBar*(const QString&)>;

    // `categories` gives the order of the category list; commands of other
    // categories are not offered.
    TCustomiseToolbars(QList<ToolbarCommand> commands, QStringList categories, BarsFn bars, AddFn add,
                       NewBarFn newBar, QWidget* parent = nullptr);

    QComboBox* BarBox() const { return barBox_; }
    QListWidget* CategoryList() const { return categoryList_; }
    QListWidget* CommandList() const { return commandList_; }
    QListWidget* BarCommandList() const { return barList_; }
    QPushButton* AddButton() const { return addButton_; }
    QPushButton* RemoveButton() const { return removeButton_; }

    QToolBar* CurrentBar() const;
    void SelectBar(QToolBar* bar);
    void SelectCategory(const QString& category);
    void SelectCommand(const QAction* action);
    void AddSelected();
    void RemoveSelected();
    QToolBar* NewBar(const QString& title);

private:
    void FillBars();
    void FillCommands();
    void FillBarCommands();
    void UpdateButtons();
    QAction* SelectedCommand() const;
    QAction* SelectedBarCommand() const;

    QList<ToolbarCommand> commands_;
    BarsFn bars_;
    AddFn add_;
    NewBarFn newBar_;
    QComboBox* barBox_ = nullptr;
    QCheckBox* visibleBox_ = nullptr;
    QListWidget* categoryList_ = nullptr;
    QListWidget* commandList_ = nullptr;
    QListWidget* barList_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* removeButton_ = nullptr;
};
