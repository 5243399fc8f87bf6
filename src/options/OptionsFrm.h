#pragma once
// The Options dialog: a navigation tree and five panels (General, Editor,
// Colours, Sounds, Servers). It loads its controls from the settings store
// when it opens and writes them all back, and applies them to the open
// result views, only on OK. Three things act at once and survive Cancel:
// clearing the query history, a sound assigned in Configure Sounds, and a
// colour scheme file saved from the Colours panel.

#include "settings/ColourScheme.h"

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TColourPicker;
class TDCMemo;
class TMain;

class TOptions : public QDialog {
    Q_OBJECT
public:
    // `main` receives what OK applies (views, tray, favourites menu) and
    // the reloaded query history; it may be null.
    explicit TOptions(TMain* main, QWidget* parent = nullptr);
    ~TOptions() override;

    // ---- frame
    QTreeWidget* PTTreeView1 = nullptr;
    QStackedWidget* PanelStack = nullptr;
    QWidget* General = nullptr;
    QWidget* Editor = nullptr;
    QWidget* ColourCoding = nullptr;
    QWidget* Sounds = nullptr;
    QWidget* Servers = nullptr;
    QPushButton* Button1 = nullptr; // O&K
    QPushButton* Button2 = nullptr; // &Cancel

    // ---- General
    QCheckBox* DisplaySplash = nullptr;
    QCheckBox* OpenLastSite = nullptr;
    QCheckBox* MinimiseSysTray = nullptr;
    QPushButton* cmdClearHistory = nullptr;

    // ---- Editor
    QLineEdit* SelectedFont = nullptr;
    QToolButton* SpeedButton1 = nullptr; // font
    QCheckBox* ShowGutter = nullptr;
    QCheckBox* ShowLineNum = nullptr;
    QCheckBox* URLHighlighting = nullptr;
    QCheckBox* HideMarginMarker = nullptr;

    // ---- Colours
    QComboBox* SpeedSettingCombo = nullptr;
    QPushButton* Button3 = nullptr; // &Save Scheme
    TDCMemo* ColourSchemeDemo = nullptr;
    TColourPicker* BackgroundColour = nullptr;
    TColourPicker* ForegroundColour = nullptr;
    TColourPicker* GutterColour = nullptr;
    TColourPicker* LineOutlineColour = nullptr;
    TColourPicker* SelectionBackground = nullptr;
    TColourPicker* SelectionForegound = nullptr;
    TColourPicker* GutterLineColour = nullptr;
    TColourPicker* LineBackground = nullptr;

    // ---- Sounds
    QCheckBox* EnableSounds = nullptr;
    QTreeWidget* ListView3 = nullptr;
    QPushButton* cmdEditSounds = nullptr;

    // ---- Servers
    QTreeWidget* ListView2 = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdEdit = nullptr;
    QPushButton* cmdDelete = nullptr;

    // ---- loading and saving
    void LoadSettings();
    void SaveSettings();
    void LoadSoundEvents();

    // ---- colour schemes (OptionsColours.cpp)
    void FillSchemeList();
    void LoadColourScheme(const QString& name);
    void SaveColourScheme();
    // Writes the pickers' colours to `filePath` + ".csf" and adds the
    // entry: what the save dialog's choice leads to.
    void WriteSchemeAs(const QString& filePath);
    TColourPicker* Picker(TSchemeColour which) const;
    TColor PreviewColour(TSchemeColour which) const;
    void SetPreviewColour(TSchemeColour which, TColor colour);

    // ---- handlers
    void PTTreeView1Click();
    void SpeedButton1Click();
    void EnableSoundsClick();
    void ListView3Click();
    void cmdEditSoundsClick();
    void cmdClearHistoryClick();
    void ListView2Click();
    void cmdAddClick();
    void cmdEditClick();
    void cmdDeleteClick();

    // The panel in front.
    QWidget* FrontPanel() const;

private:
    QWidget* BuildGeneral();
    QWidget* BuildEditor();
    QWidget* BuildColours();
    QWidget* BuildSounds();
    QWidget* BuildServers();
    void LoadServers();
    void SaveServers();
    void ApplyToViews(const QString& fontName, int fontSize);
    void AddServerEntry(const QString& server, const QString& description);
    void PickerChanged(TSchemeColour which);
    void ApplyStoredColours();
    void WrapPreview();

    QPointer<TMain> main_;
    TSchemeColours preview_{};
};
