#pragma once
// The side bar: groups of large-image items, one group open at a time, as
// in an outlook bar. Items are drawn flat, white text on the button-shadow
// colour; each has a caption, a hint and an index into the bar's list of
// large (32 x 32) images.

#include <QFrame>
#include <QIcon>
#include <QList>
#include <QString>

class QToolButton;
class QVBoxLayout;

class TSideBar : public QFrame {
    Q_OBJECT
public:
    explicit TSideBar(QWidget* parent = nullptr);

    int AddGroup(const QString& caption);
    QToolButton* AddItem(int group, const QString& caption, const QString& hint, int imageIndex);

    // The large-image list; an item whose index is outside it shows none.
    int AppendLargeImage(const QIcon& image);
    int LargeImageCount() const { return int(images_.size()); }
    void SetItemImage(QToolButton* item, int imageIndex);
    int ItemImage(const QToolButton* item) const;

    void OpenGroup(int group);
    int OpenedGroup() const { return opened_; }
    QString GroupCaption(int group) const;
    QToolButton* GroupButton(int group) const;
    QList<QToolButton*> Items(int group) const;
    QToolButton* Item(const QString& caption) const;

signals:
    // The caption of the item chosen.
    void ItemClicked(const QString& caption);

private:
    struct Group {
        QToolButton* header = nullptr;
        QWidget* body = nullptr;
        QVBoxLayout* items = nullptr;
    };
    QList<Group> groups_;
    QList<QIcon> images_;
    QVBoxLayout* layout_ = nullptr;
    int opened_ = -1;
};
