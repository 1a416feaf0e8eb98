#include "ui/skinapply/WindowApply.h"

#include "ui/skinapply/ElementApply.h"
#include "ui/skinapply/RateLimitRow.h"
#include "ui/skinapply/SettingsControlStyle.h"

namespace kaldoria::skin {

namespace {

template <typename Element, typename Control> void apply(const Element& element, Control* control) {
    if (control)
        SaveToForm(element, *control);
}

} // namespace

void SetDataToForm(const TkucMainWindow& skin, const MainWindowControls& target) {
    apply(skin.BackGroundImage, target.BackGroundImage);
    apply(skin.Button_StartGame, target.Button_StartGame);
    apply(skin.Button_Cancel, target.Button_Cancel);
    apply(skin.Button_CheckAllFiles, target.Button_CheckAllFiles);
    apply(skin.Button_Close, target.Button_Close);
    apply(skin.Button_Minimize, target.Button_Minimize);
    apply(skin.Button_Config, target.Button_Config);
    apply(skin.Progress_OneFile, target.ProgressBar_OneFile);
    apply(skin.Progress_Total, target.ProgressBar_Total);
    apply(skin.Text_Title, target.Text_Title);
    apply(skin.Text_Status, target.Text_Status);
    apply(skin.Text_StatusTotal, target.Text_StatusTotal);
    apply(skin.WebPanel, target.WebPanel);
    apply(skin.Gauge_OneFile, target.Gauge_OneFile);
    apply(skin.Gauge_Total, target.Gauge_Total);
    apply(skin.Box_LangFolder, target.Box_LangFolder);
    apply(skin.Text_LangBoxDescription, target.Text_LangBoxDescription);
}

void SetDataToForm(const TkucConfigWindow& skin, const ConfigWindowControls& target) {
    apply(skin.BackGroundImage, target.BackgroundImage);
    apply(skin.Text_Title, target.Text_Title);
    apply(skin.Text_Language, target.Text_Language);
    apply(skin.Text_Autoclose, target.Text_Autoclose);
    apply(skin.Text_Proxy, target.Text_Proxy);
    apply(skin.Text_DriveType, target.Text_DriveType);
    apply(skin.Text_CheckType, target.Text_CheckType);
    apply(skin.Box_Language, target.Box_Language);
    apply(skin.Check_Autoclose, target.Check_Autoclose);
    apply(skin.Box_Proxy, target.Box_Proxy);
    apply(skin.Box_DriveType, target.Box_DriveType);
    apply(skin.Box_CheckType, target.Box_CheckType);
    apply(skin.Button_Ok, target.Button_Ok);
    placeRateLimitRow(target);
    StyleSettingsControls(skin, target);
}

void SetDataToForm(const TkucConfig& config, const MainWindowControls& mainWindow,
                   const ConfigWindowControls& configWindow, QStringList& params) {
    SetDataToForm(config.MainWindow, mainWindow);
    SetDataToForm(config.ConfigWindow, configWindow);
    params = config.CfgParameters;
}

} // namespace kaldoria::skin
