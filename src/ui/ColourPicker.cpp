#include "ui/ColourPicker.h"

#include "core/Guard.h"
#include "ui/Colours.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>

namespace {

QIcon swatch(TColor colour)
{
    QPixmap pixmap(20, 14);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const QRect box(0, 1, 19, 12);
    const QColor shown = ColourToQColor(colour);
    if (shown.isValid()) {
        painter.fillRect(box, shown);
    } else {
        // clNone and clDefault have no colour of their own.
        painter.fillRect(box, Qt::white);
        painter.setPen(Qt::red);
        painter.drawLine(box.bottomLeft(), box.topRight());
    }
    painter.setPen(Qt::black);
    painter.drawRect(box);
    return QIcon(pixmap);
}

} // namespace

TColourPicker::TColourPicker(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    setIconSize(QSize(20, 14));
    setMaxVisibleItems(16);
    for (const QString& name : ColourNameList()) {
        const TColor value = TextToColour(name);
        addItem(swatch(value), name.mid(2), QVariant::fromValue(quint32(value)));
    }
    addItem(swatch(custom_), QStringLiteral("Custom"), QVariant::fromValue(quint32(custom_)));
    connect(this, &QComboBox::activated, this, [this](int index) { Guarded(this, [&] { chosen(index); }); });
}

int TColourPicker::CustomIndex() const
{
    return count() - 1;
}

TColor TColourPicker::Colour() const
{
    const int index = currentIndex();
    return index < 0 ? 0 : TColor(itemData(index).toUInt());
}

void TColourPicker::setCustom(TColor colour)
{
    custom_ = colour;
    setItemIcon(CustomIndex(), swatch(colour));
    setItemData(CustomIndex(), QVariant::fromValue(quint32(colour)));
}

void TColourPicker::SetColour(TColor colour)
{
    for (int i = 0; i < CustomIndex(); ++i) {
        if (TColor(itemData(i).toUInt()) == colour) {
            const QSignalBlocker quiet(this);
            setCurrentIndex(i);
            return;
        }
    }
    setCustom(colour);
    {
        const QSignalBlocker quiet(this);
        setCurrentIndex(CustomIndex());
    }
    emit Change();
}

void TColourPicker::chosen(int index)
{
    if (index == CustomIndex()) {
        // "Custom" is where any colour can be mixed.
        QColorDialog dialog(ColourToQColor(custom_, Qt::black), this);
        dialog.setWindowTitle(QStringLiteral("Custom Colour"));
        if (dialog.exec() == QDialog::Accepted)
            setCustom(QColorToColour(dialog.selectedColor()));
    }
    emit Change();
}
