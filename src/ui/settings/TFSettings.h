#pragma once

#include "ui/settings/PlateButton.h"
#include "ui/skinapply/WindowApply.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QRect>
#include <QSpinBox>
#include <QString>
#include <QTimer>

namespace kaldoria::startup {
class tConfigData;
}
namespace kaldoria::skin {
class TkucButton;
class TkucConfigWindow;
} // namespace kaldoria::skin

namespace kaldoria::settings {

// What the settings window shows of the main window each time it opens.
struct MainWindowValues {
    QRect geometry; // the main window's position and size
    qint32 langConst = 0;
    bool autoClose = false;
    QString selProxy;
    QString driveType;
    QString checkMode;
    qint64 limitRate = 0; // bytes per second, 0 for none
};

// The launcher's one dialog: interface language, auto-close, game proxy, drive type, check
// depth and the download limit, the first five locked (shown disabled) when the configuration says so. It only
// presents and collects: the language takes effect the moment it is picked, everything
// else is read from the controls by the main window after the dialog closes.
class TFSettings : public QDialog {
    Q_OBJECT
public:
    // Time between two steps of the unroll effect, in milliseconds.
    static constexpr int kFadeInInterval = 20;
    // Pixels added to the width per step of the unroll effect.
    static constexpr int kFadeInStep = 10;

    TFSettings(startup::tConfigData& config, const skin::TkucConfigWindow& skin, QWidget* parent = nullptr);

    // The skinned controls, for applying the skin.
    skin::ConfigWindowControls controls();

    // Draws "Ok" like the main window's image button `look`, its caption in the colour of
    // this window's title.
    void dressOkButton(const skin::TkucButton& look);

    // The values the next opening starts from.
    void setMainWindowValues(const MainWindowValues& values) { m_main = values; }

    QComboBox* Box_Language() const { return m_boxLanguage; }
    QCheckBox* Check_Autoclose() const { return m_checkAutoclose; }
    QComboBox* Box_Proxy() const { return m_boxProxy; }
    QComboBox* Box_DriveType() const { return m_boxDriveType; }
    QComboBox* Box_CheckType() const { return m_boxCheckType; }
    PlateButton* Button_Ok() const { return m_buttonOk; }
    // The download limit in KB/s (1024 bytes), 0 for none.
    QSpinBox* Box_RateLimit() const { return m_boxRateLimit; }
    QLabel* Text_RateLimit() const { return m_textRateLimit; }
    QLabel* Text_Title() const { return m_textTitle; }
    QTimer* FadeIn() { return &m_fadeIn; }
    int FormWidth() const { return m_formWidth; }

    // The language id the user picked last, as the main window keeps it.
    qint32 langConst() const { return m_main.langConst; }
    // The download limit the window shows, in bytes per second: the main window's own value
    // while the player left it as it was, so that a limit of no whole KB/s is kept.
    qint64 limitRate() const;

    // The captions and the shown choices in the current language.
    void SetLanguage();

Q_SIGNALS:
    // The user picked a language; the interface texts are already switched to it.
    void languageChanged(qint32 langid);
    // The user picked a game proxy: 0 automatic, k the k-th configured one.
    void proxyPicked(int index);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate(const skin::TkucConfigWindow& skin);
    void FormShow();
    void applyLocks();
    void fillProxyBox();
    void Box_LanguageChange(int index);
    void FadeInTimer();

    startup::tConfigData& m_config;
    MainWindowValues m_main;
    int m_formWidth = 0;
    QTimer m_fadeIn;

    QLabel* m_backgroundImage;
    QLabel* m_textTitle;
    QLabel* m_textLanguage;
    QLabel* m_textAutoclose;
    QLabel* m_textProxy;
    QLabel* m_textDriveType;
    QLabel* m_textCheckType;
    QLabel* m_textRateLimit;
    QComboBox* m_boxLanguage;
    QCheckBox* m_checkAutoclose;
    QComboBox* m_boxProxy;
    QComboBox* m_boxDriveType;
    QComboBox* m_boxCheckType;
    QSpinBox* m_boxRateLimit;
    PlateButton* m_buttonOk;
};

} // namespace kaldoria::settings
