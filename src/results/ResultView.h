#pragma once
// Creating and configuring the result view of a new result tab from the
// settings.

#include "core/Errors.h"

#include <QObject>
#include <QString>
#include <functional>

class QMenu;
class QWidget;
class TDCMemo;
class THTMLParser;

struct ResultViewHooks {
    THTMLParser* parser = nullptr;      // the main window's shared tokeniser
    QMenu* popupMenu = nullptr;         // dxPopupMenu1
    QObject* receiver = nullptr;        // gets the two slots below, if set
    const char* stateChangedSlot = nullptr;     // ViewStateChanged(TDCMemo*, int)
    const char* selectionChangedSlot = nullptr; // DCMemoSelectionChange(TDCMemo*)
    std::function<void()> between;      // run between fixed properties and settings
    // Gets each setting the view cannot use (an EConvertError naming the
    // key, the value and what it holds); unset, it goes to ReportFallback.
    std::function<void(const EPollux&)> settingProblem;
};

// Creates the view as the only child of `sheet` and configures it: fixed
// properties first, then FontName, Options 19039395 and the eight colours
// of Configuration\Colour. A font text or colour that cannot be used (a
// missing colour, text that is no colour or font) leaves the view's default
// for that one setting and is handed to `settingProblem`: a careless
// setting never keeps a reply from being shown. `between` runs once between
// the fixed properties and the settings (the caller processes events there).
TDCMemo* CreateResultView(QWidget* sheet, const ResultViewHooks& hooks);

inline constexpr quint32 kResultViewOptions = 19039395u;

// The Configuration value that switches the drawing of ANSI colours in
// result views (a boolean, on when absent).
inline const QString kAnsiColoursValue = QStringLiteral("AnsiColours");
bool AnsiColoursSetting();
