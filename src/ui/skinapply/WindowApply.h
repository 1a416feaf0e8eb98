#pragma once

#include "skin/TkucConfig.h"
#include "skin/TkucConfigWindow.h"
#include "skin/TkucMainWindow.h"
#include "ui/controls/TElComboBox.h"
#include "ui/controls/TImageButton.h"
#include "ui/controls/TRxLabel.h"
#include "ui/controls/TXiGauge.h"
#include "ui/controls/TXiProgressBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>

namespace kaldoria::skin {

// The main window's skinned controls, filled in by the window. A null control is skipped.
struct MainWindowControls {
    QLabel* BackGroundImage = nullptr;
    controls::TImageButton* Button_StartGame = nullptr;
    controls::TImageButton* Button_Cancel = nullptr;
    controls::TImageButton* Button_CheckAllFiles = nullptr;
    controls::TImageButton* Button_Close = nullptr;
    controls::TImageButton* Button_Minimize = nullptr;
    controls::TImageButton* Button_Config = nullptr;
    controls::TXiProgressBar* ProgressBar_OneFile = nullptr;
    controls::TXiProgressBar* ProgressBar_Total = nullptr;
    QLabel* Text_Title = nullptr;
    controls::TRxLabel* Text_Status = nullptr;
    controls::TRxLabel* Text_StatusTotal = nullptr;
    QWidget* WebPanel = nullptr;
    controls::TXiGauge* Gauge_OneFile = nullptr;
    controls::TXiGauge* Gauge_Total = nullptr;
    controls::TElComboBox* Box_LangFolder = nullptr;
    controls::TRxLabel* Text_LangBoxDescription = nullptr;
};

// The settings window's skinned controls, filled in by the window. A null control is skipped.
struct ConfigWindowControls {
    QLabel* BackgroundImage = nullptr;
    QLabel* Text_Title = nullptr;
    QLabel* Text_Language = nullptr;
    QLabel* Text_Autoclose = nullptr;
    QLabel* Text_Proxy = nullptr;
    QLabel* Text_DriveType = nullptr;
    QLabel* Text_CheckType = nullptr;
    QComboBox* Box_Language = nullptr;
    QCheckBox* Check_Autoclose = nullptr;
    QComboBox* Box_Proxy = nullptr;
    QComboBox* Box_DriveType = nullptr;
    QComboBox* Box_CheckType = nullptr;
    QPushButton* Button_Ok = nullptr;
    // Not skinned: placed and dressed after the skinned rows.
    QLabel* Text_RateLimit = nullptr;
    QSpinBox* Box_RateLimit = nullptr;
};

// Applies the main window's 17 elements to their controls, in the window's element order.
// The window's own position, size and outline are not touched.
void SetDataToForm(const TkucMainWindow& skin, const MainWindowControls& target);

// Applies the settings window's 13 elements to their controls, in the window's element order,
// places the rows the skin does not know below its rows, then dresses its combo boxes, spin
// box and check box in the skin's colours.
void SetDataToForm(const TkucConfigWindow& skin, const ConfigWindowControls& target);

// Applies both windows' skins and makes `params` a copy of the configuration's parameters.
void SetDataToForm(const TkucConfig& config, const MainWindowControls& mainWindow,
                   const ConfigWindowControls& configWindow, QStringList& params);

} // namespace kaldoria::skin
