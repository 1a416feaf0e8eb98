#include "ui/skinapply/WindowApply.h"

#include "SkinModeGuard.h"

#include <gtest/gtest.h>

using namespace kaldoria::skin;
using namespace kaldoria::controls;

namespace {

QStringList leftAt(int left) {
    return {QStringLiteral("Left=%1").arg(left), u"Visible=true"_qs};
}

} // namespace

TEST(WindowApply, MainWindowElementsReachTheirControls) {
    SkinModeGuard mode(2);
    TkucMainWindow skin;
    skin.BackGroundImage.image = QImage(800, 560, QImage::Format_RGB32);
    skin.BackGroundImage.image.fill(Qt::darkBlue);
    TkucButton* buttons[] = {&skin.Button_StartGame, &skin.Button_Cancel,   &skin.Button_CheckAllFiles,
                             &skin.Button_Close,     &skin.Button_Minimize, &skin.Button_Config};
    for (int i = 0; i < 6; ++i)
        buttons[i]->parameters = leftAt(10 + i);
    skin.Progress_OneFile.parameters = leftAt(20);
    skin.Progress_Total.parameters = leftAt(21);
    skin.Text_Title.parameters = leftAt(30);
    skin.Text_Status.parameters = leftAt(31);
    skin.Text_StatusTotal.parameters = leftAt(32);
    skin.Box_LangFolder.parameters = leftAt(40);
    skin.Text_LangBoxDescription.parameters = leftAt(33);
    skin.Gauge_OneFile.parameters = leftAt(50);
    skin.Gauge_Total.parameters = leftAt(51);
    skin.WebPanel.parameters = leftAt(60);

    QWidget window;
    QLabel background(&window);
    TImageButton b[6];
    TXiProgressBar oneFile(&window), total(&window);
    QLabel title(&window);
    TRxLabel status(&window), statusTotal(&window), description(&window);
    QWidget web(&window);
    TXiGauge gaugeOne(&window), gaugeTotal(&window);
    TElComboBox box(&window);
    for (TImageButton& button : b)
        button.setParent(&window);
    const MainWindowControls controls{&background, &b[0],     &b[1],       &b[2],  &b[3],       &b[4],
                                      &b[5],       &oneFile,  &total,      &title, &status,     &statusTotal,
                                      &web,        &gaugeOne, &gaugeTotal, &box,   &description};
    SetDataToForm(skin, controls);

    EXPECT_EQ(background.size(), QSize(800, 560));
    EXPECT_EQ(background.pixmap().toImage().pixel(5, 5), QColor(Qt::darkBlue).rgb());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(b[i].x(), 10 + i);
    EXPECT_EQ(oneFile.x(), 20);
    EXPECT_EQ(total.x(), 21);
    EXPECT_EQ(title.x(), 30);
    EXPECT_EQ(status.x(), 31);
    EXPECT_EQ(statusTotal.x(), 32);
    EXPECT_EQ(description.x(), 33);
    EXPECT_EQ(box.x(), 40);
    EXPECT_EQ(gaugeOne.x(), 50);
    EXPECT_EQ(gaugeTotal.x(), 51);
    EXPECT_EQ(web.x(), 60);
    EXPECT_FALSE(web.isHidden());
}

TEST(WindowApply, SettingsWindowElementsReachTheirControlsAndParametersAreCopied) {
    SkinModeGuard mode(2);
    TkucConfig config;
    TkucConfigWindow& skin = config.ConfigWindow;
    TkucLabel* labels[] = {&skin.Text_Title, &skin.Text_Language,  &skin.Text_Autoclose,
                           &skin.Text_Proxy, &skin.Text_DriveType, &skin.Text_CheckType};
    for (int i = 0; i < 6; ++i)
        labels[i]->parameters = leftAt(10 + i);
    TkucWebPanel* others[] = {&skin.Box_Language,  &skin.Check_Autoclose, &skin.Box_Proxy,
                              &skin.Box_DriveType, &skin.Box_CheckType,   &skin.Button_Ok};
    for (int i = 0; i < 6; ++i)
        others[i]->parameters = leftAt(20 + i);
    config.CfgParameters = {u"[config]"_qs, u"a=b"_qs};

    QWidget window;
    QLabel background(&window), l[6];
    QComboBox language(&window), proxy(&window), drive(&window), check(&window);
    QCheckBox autoclose(&window);
    QPushButton ok(&window);
    for (QLabel& label : l)
        label.setParent(&window);
    const ConfigWindowControls controls{&background, &l[0],      &l[1],  &l[2],  &l[3],  &l[4], &l[5],
                                        &language,   &autoclose, &proxy, &drive, &check, &ok};
    QStringList params{u"old"_qs};
    SetDataToForm(config, MainWindowControls{}, controls, params);

    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(l[i].x(), 10 + i);
    QWidget* ordered[] = {&language, &autoclose, &proxy, &drive, &check, &ok};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(ordered[i]->x(), 20 + i);
    EXPECT_EQ(params, config.CfgParameters);
}
