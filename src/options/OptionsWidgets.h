#pragma once
// Small makers for the controls the Options dialogs share.

#include <QIcon>
#include <QList>
#include <QStringList>
#include <QStyle>

#include <functional>

class QCheckBox;
class QFileDialog;
class QPushButton;
class QTreeWidget;
class QWidget;

// A theme icon ("a|b": alternatives, best first), else the style's own.
QIcon ThemedIcon(const QString& names, QStyle::StandardPixmap fallback);

QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const QString& text, const QString& hint);
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, const QString& hint);
// A report list: whole rows selected, nothing edited in place, headers that
// do nothing when clicked.
QTreeWidget* MakeReportList(QWidget* parent, const char* name, const QStringList& columns,
                            const QList<int>& widths, const QString& hint);

// Shows a prepared file dialog and answers the chosen file, or the empty
// text when the user cancels. Tests put a runner of their own in place of
// the desktop's dialog; an empty function restores it.
QString RunFileDialog(QFileDialog& dialog);
void SetFileDialogRunner(std::function<QString(QFileDialog&)> runner);
