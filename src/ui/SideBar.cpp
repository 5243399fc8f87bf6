#include "ui/SideBar.h"

#include <QFontMetrics>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const int kImageSize = 32;
const int kTextWidth = 88; // the item texts of a bar at its designed width

// Captions longer than the bar is wide break between words, as the bar's
// items always did; the caption itself is kept whole for dispatch.
QString Wrapped(const QString& caption, const QFontMetrics& fm)
{
    QStringList lines;
    QString line;
    for (const QString& word : caption.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && fm.horizontalAdvance(longer) > kTextWidth) {
            lines << line;
            line = word;
        } else {
            line = longer;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines.join(QLatin1Char('\n'));
}
} // namespace

TSideBar::TSideBar(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
    setAutoFillBackground(true);
    QPalette flat = palette();
    const QColor shadow = flat.color(QPalette::Dark);
    flat.setColor(QPalette::Window, shadow);
    flat.setColor(QPalette::Button, shadow);
    flat.setColor(QPalette::WindowText, Qt::white);
    flat.setColor(QPalette::ButtonText, Qt::white);
    setPalette(flat);
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
}

int TSideBar::AddGroup(const QString& caption)
{
    Group group;
    group.header = new QToolButton(this);
    group.header->setObjectName(caption + QStringLiteral("Group"));
    group.header->setText(caption);
    group.header->setAccessibleName(caption);
    group.header->setToolButtonStyle(Qt::ToolButtonTextOnly);
    group.header->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    group.header->setCheckable(true);
    // A raised header, as the group buttons of an outlook bar are.
    group.header->setStyleSheet(QStringLiteral(
        "QToolButton { color: palette(button-text); background: palette(mid); border: 1px solid palette(shadow);"
        " border-top-color: palette(light); padding: 3px; font-weight: bold; }"
        "QToolButton:focus { border: 1px dotted white; }"));
    group.body = new QWidget(this);
    group.items = new QVBoxLayout(group.body);
    group.items->setContentsMargins(2, 8, 2, 8);
    group.items->setSpacing(10);
    group.items->addStretch(1);
    const int index = int(groups_.size());
    groups_ << group;
    layout_->addWidget(group.header);
    layout_->addWidget(group.body, 1);
    connect(group.header, &QToolButton::clicked, this, [this, index] { OpenGroup(index); });
    OpenGroup(opened_ < 0 ? index : opened_);
    return index;
}

QToolButton* TSideBar::AddItem(int group, const QString& caption, const QString& hint, int imageIndex)
{
    Group& g = groups_[group];
    auto* item = new QToolButton(g.body);
    item->setObjectName(caption);
    item->setProperty("polluxCaption", caption);
    item->setAccessibleName(caption);
    item->setText(Wrapped(caption, item->fontMetrics()));
    item->setToolTip(hint);
    item->setStatusTip(hint);
    item->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    item->setIconSize(QSize(kImageSize, kImageSize));
    item->setAutoRaise(true);
    item->setFocusPolicy(Qt::StrongFocus);
    item->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    item->setStyleSheet(QStringLiteral(
        "QToolButton { color: white; border: 1px solid transparent; background: transparent; }"
        "QToolButton:hover, QToolButton:focus { border: 1px solid palette(light); }"
        "QToolButton:pressed { border: 1px solid palette(shadow); }"));
    SetItemImage(item, imageIndex);
    g.items->insertWidget(g.items->count() - 1, item);
    connect(item, &QToolButton::clicked, this, [this, caption] { emit ItemClicked(caption); });
    return item;
}

int TSideBar::AppendLargeImage(const QIcon& image)
{
    images_ << image;
    return int(images_.size()) - 1;
}

void TSideBar::SetItemImage(QToolButton* item, int imageIndex)
{
    item->setProperty("polluxImageIndex", imageIndex);
    if (imageIndex >= 0 && imageIndex < images_.size()) {
        item->setIcon(images_.at(imageIndex));
    } else {
        // An empty image keeps the item's height, so items do not jump
        // when their images arrive.
        QPixmap blank(kImageSize, kImageSize);
        blank.fill(Qt::transparent);
        item->setIcon(QIcon(blank));
    }
}

int TSideBar::ItemImage(const QToolButton* item) const
{
    const QVariant index = item->property("polluxImageIndex");
    return index.isValid() ? index.toInt() : -1;
}

void TSideBar::OpenGroup(int group)
{
    if (group < 0 || group >= groups_.size())
        return;
    opened_ = group;
    for (int i = 0; i < groups_.size(); ++i) {
        groups_[i].body->setVisible(i == group);
        groups_[i].header->setChecked(i == group);
    }
}

QString TSideBar::GroupCaption(int group) const
{
    return groups_.value(group).header ? groups_.at(group).header->text() : QString();
}

QToolButton* TSideBar::GroupButton(int group) const
{
    return groups_.value(group).header;
}

QList<QToolButton*> TSideBar::Items(int group) const
{
    QList<QToolButton*> items;
    if (group < 0 || group >= groups_.size())
        return items;
    for (QToolButton* b : groups_.at(group).body->findChildren<QToolButton*>(QString(), Qt::FindDirectChildrenOnly))
        items << b;
    return items;
}

QToolButton* TSideBar::Item(const QString& caption) const
{
    for (const Group& g : groups_)
        for (QToolButton* b : g.body->findChildren<QToolButton*>(QString(), Qt::FindDirectChildrenOnly))
            if (b->property("polluxCaption").toString() == caption)
                return b;
    return nullptr;
}
