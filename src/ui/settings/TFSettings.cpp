#include "ui/settings/TFSettings.h"

#include "skin/TkucButton.h"
#include "skin/TkucConfigWindow.h"
#include "startup/InterfaceTexts.h"
#include "startup/tConfigData.h"
#include "ui/controls/TElComboBox.h"
#include "ui/skinapply/WindowOutline.h"

#include "platform/IntegerText.h"

#include <QPalette>
#include <QShowEvent>

#include <algorithm>

namespace kaldoria::settings {

namespace {

constexpr QSize kDesignSize{520, 360};
constexpr int kRowTop = 70;
constexpr int kRowStep = 40;
constexpr qint64 kKiB = 1024;
// The largest download limit the window offers: 1 GB/s.
constexpr int kMostKiBPerSecond = 1024 * 1024;

// A rate in whole KB/s, rounded up so that a limit never shows as none.
int kibPerSecond(qint64 bytesPerSecond) {
    return int(std::min<qint64>(kMostKiBPerSecond, (bytesPerSecond + kKiB - 1) / kKiB));
}

using startup::TextEntry;

// The check modes as the main window keeps them, in the order of the box.
const QStringList& checkModes() {
    static const QStringList names{QStringLiteral("Hard: MD5 Hash"), QStringLiteral("Medium: Size & Date"),
                                   QStringLiteral("Light: Previous List")};
    return names;
}

// What the player sees of the fixed choices, in the order of their boxes.
constexpr TextEntry kDriveTypeTexts[] = {TextEntry::DiskHdd, TextEntry::DiskSsd};
constexpr TextEntry kCheckModeTexts[] = {TextEntry::CheckHard, TextEntry::CheckMedium, TextEntry::CheckLight};

// Shows the current language's texts of `entries` as the items of `box`, which keeps its
// selection (the items are filled when the box is empty).
template <size_t N> void showChoices(QComboBox* box, const TextEntry (&entries)[N]) {
    for (size_t i = 0; i < N; ++i) {
        const QString text = startup::interfaceTextOrDefault(entries[i]);
        if (static_cast<int>(i) < box->count())
            box->setItemText(static_cast<int>(i), text);
        else
            box->addItem(text);
    }
}

// A caption that reads right to left: its text ends just left of its control.
QLabel* rowLabel(QWidget* parent, int row) {
    auto* label = new QLabel(parent);
    label->setGeometry(30, kRowTop + row * kRowStep, 200, 24);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

template <typename Control> Control* rowField(QWidget* parent, int row) {
    auto* control = new Control(parent);
    control->setGeometry(246, kRowTop + row * kRowStep, 232, 26);
    return control;
}

} // namespace

TFSettings::TFSettings(startup::tConfigData& config, const skin::TkucConfigWindow& skin, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_config(config) {
    setModal(true);
    resize(kDesignSize);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    black.setColor(QPalette::WindowText, Qt::white);
    setPalette(black);
    setAutoFillBackground(true);

    m_backgroundImage = new QLabel(this);
    m_backgroundImage->hide();
    m_textTitle = new QLabel(this);
    m_textTitle->setGeometry(30, 20, 300, 24);
    m_textLanguage = rowLabel(this, 0);
    m_textAutoclose = rowLabel(this, 1);
    m_textProxy = rowLabel(this, 2);
    m_textDriveType = rowLabel(this, 3);
    m_textCheckType = rowLabel(this, 4);
    m_boxLanguage = rowField<controls::TElComboBox>(this, 0);
    m_checkAutoclose = rowField<QCheckBox>(this, 1);
    m_boxProxy = rowField<controls::TElComboBox>(this, 2);
    m_boxDriveType = rowField<controls::TElComboBox>(this, 3);
    showChoices(m_boxDriveType, kDriveTypeTexts);
    m_boxCheckType = rowField<controls::TElComboBox>(this, 4);
    showChoices(m_boxCheckType, kCheckModeTexts);
    m_textRateLimit = rowLabel(this, 5);
    m_boxRateLimit = rowField<QSpinBox>(this, 5);
    m_boxRateLimit->setRange(0, kMostKiBPerSecond);
    m_boxRateLimit->setSuffix(QStringLiteral(" KB/s"));
    m_boxRateLimit->setButtonSymbols(QAbstractSpinBox::NoButtons);
    m_boxRateLimit->setGroupSeparatorShown(false);
    m_buttonOk = new PlateButton(startup::interfaceTextOrDefault(TextEntry::OkButton), this);
    m_buttonOk->setGeometry(200, 316, 120, 32);
    connect(m_buttonOk, &QPushButton::clicked, this, &QDialog::accept);

    m_fadeIn.setInterval(kFadeInInterval);
    connect(&m_fadeIn, &QTimer::timeout, this, &TFSettings::FadeInTimer);
    connect(m_boxLanguage, &QComboBox::activated, this, &TFSettings::Box_LanguageChange);
    connect(m_boxProxy, &QComboBox::activated, this, [this](int index) {
        if (m_boxProxy->isEnabled() && index >= 0)
            Q_EMIT proxyPicked(index);
    });

    FormCreate(skin);
}

skin::ConfigWindowControls TFSettings::controls() {
    skin::ConfigWindowControls c;
    c.BackgroundImage = m_backgroundImage;
    c.Text_Title = m_textTitle;
    c.Text_Language = m_textLanguage;
    c.Text_Autoclose = m_textAutoclose;
    c.Text_Proxy = m_textProxy;
    c.Text_DriveType = m_textDriveType;
    c.Text_CheckType = m_textCheckType;
    c.Box_Language = m_boxLanguage;
    c.Check_Autoclose = m_checkAutoclose;
    c.Box_Proxy = m_boxProxy;
    c.Box_DriveType = m_boxDriveType;
    c.Box_CheckType = m_boxCheckType;
    c.Button_Ok = m_buttonOk;
    c.Text_RateLimit = m_textRateLimit;
    c.Box_RateLimit = m_boxRateLimit;
    return c;
}

void TFSettings::dressOkButton(const skin::TkucButton& look) {
    QFont caption = m_textTitle->font();
    caption.setBold(true);
    m_buttonOk->setFont(caption);
    m_buttonOk->setPlates({look.common, look.over, look.down, look.disabled},
                          m_textTitle->palette().color(QPalette::WindowText));
}

void TFSettings::FormCreate(const skin::TkucConfigWindow& skin) {
    const QImage& background = skin.BackGroundImage.image;
    // Without a background the window stays a plain black rectangle: an outline cut from
    // nothing would leave no pixel of the dialog on the screen.
    if (!background.isNull()) {
        QPalette brush = palette();
        brush.setBrush(QPalette::Window, QBrush(QPixmap::fromImage(background)));
        setPalette(brush);
        skin::applyColorKeyOutline(*this, background);
    }
    for (const startup::tMyCollection::Entry& language : m_config.LanguageCollection.List)
        m_boxLanguage->addItem(language.object ? language.object->Item : QString());
    m_boxLanguage->setCurrentIndex(-1);
    applyLocks();
}

void TFSettings::applyLocks() {
    const startup::tConfigRecord& c = m_config.Config;
    m_boxLanguage->setEnabled(c.UserCan_ChangeLanguage);
    m_checkAutoclose->setChecked(c.DefaultAutoClose);
    m_checkAutoclose->setEnabled(c.UserCan_ChangeAutoClose);
    m_boxProxy->setEnabled(c.UserCan_ChangeProxy);
    m_boxDriveType->setEnabled(c.UserCan_ChangeDriveType);
    if (!c.UserCan_ChangeDriveType)
        m_boxDriveType->setCurrentIndex(0);
    m_boxCheckType->setEnabled(c.UserCan_ChangeCheckMethod);
    if (!c.UserCan_ChangeCheckMethod)
        m_boxCheckType->setCurrentIndex(0);
}

void TFSettings::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFSettings::FormShow() {
    const QRect& main = m_main.geometry;
    move(main.left() + main.width() / 2 - width() / 2, main.top() + main.height() / 2 - height() / 2);
    applyLocks();
    SetLanguage();
    if (m_config.SettingsWindow.FadeEffect) {
        m_formWidth = width();
        resize(0, height());
    }
    if (m_boxLanguage->isEnabled()) {
        const QString id = QString::number(m_main.langConst);
        const auto& languages = m_config.LanguageCollection.List;
        for (size_t i = 0; i < languages.size(); ++i) {
            if (languages[i].text == id)
                m_boxLanguage->setCurrentIndex(static_cast<int>(i));
        }
    }
    if (m_checkAutoclose->isEnabled())
        m_checkAutoclose->setChecked(m_main.autoClose);
    fillProxyBox();
    m_boxRateLimit->setValue(kibPerSecond(m_main.limitRate));
    if (m_boxDriveType->isEnabled())
        m_boxDriveType->setCurrentIndex(m_main.driveType.toLower() == u"hdd" ? 0 : 1);
    if (m_boxCheckType->isEnabled()) {
        const QString mode = m_main.checkMode.toLower();
        for (qsizetype i = 0; i < checkModes().size(); ++i) {
            if (checkModes().at(i).toLower() == mode)
                m_boxCheckType->setCurrentIndex(static_cast<int>(i));
        }
    }
    if (m_config.SettingsWindow.FadeEffect)
        m_fadeIn.start();
}

// "Auto", then, when the user may choose, every configured proxy; the last one whose name
// matches the saved choice is selected.
void TFSettings::fillProxyBox() {
    m_boxProxy->clear();
    m_boxProxy->addItem(startup::interfaceTextOrDefault(TextEntry::AutomaticProxy));
    if (!m_boxProxy->isEnabled()) {
        m_boxProxy->setCurrentIndex(0);
        return;
    }
    int selected = 0;
    for (const QString& line : m_config.ProxyServers.Servers) {
        const QString name = line.section(QLatin1Char('|'), 0, 0).trimmed();
        m_boxProxy->addItem(name);
        if (name.compare(m_main.selProxy, Qt::CaseInsensitive) == 0)
            selected = m_boxProxy->count() - 1;
    }
    m_boxProxy->setCurrentIndex(selected);
}

void TFSettings::SetLanguage() {
    m_textTitle->setText(startup::interfaceText(TextEntry::SettingsTitle));
    m_textLanguage->setText(startup::interfaceText(TextEntry::LanguageLabel));
    m_textAutoclose->setText(startup::interfaceText(TextEntry::AutoCloseLabel));
    m_textProxy->setText(startup::interfaceText(TextEntry::GameServerLabel));
    m_textDriveType->setText(startup::interfaceText(TextEntry::DiskTypeLabel));
    m_textCheckType->setText(startup::interfaceText(TextEntry::CheckMethodLabel));
    m_textRateLimit->setText(startup::interfaceTextOrDefault(TextEntry::RateLimitLabel));
    m_boxRateLimit->setSpecialValueText(startup::interfaceTextOrDefault(TextEntry::NoRateLimit));
    m_buttonOk->setText(startup::interfaceTextOrDefault(TextEntry::OkButton));
    showChoices(m_boxDriveType, kDriveTypeTexts);
    showChoices(m_boxCheckType, kCheckModeTexts);
    if (m_boxProxy->count() > 0)
        m_boxProxy->setItemText(0, startup::interfaceTextOrDefault(TextEntry::AutomaticProxy));
}

qint64 TFSettings::limitRate() const {
    const int shown = m_boxRateLimit->value();
    return shown == kibPerSecond(m_main.limitRate) ? m_main.limitRate : shown * kKiB;
}

void TFSettings::Box_LanguageChange(int index) {
    const auto& languages = m_config.LanguageCollection.List;
    if (!m_boxLanguage->isEnabled() || index < 0 || static_cast<size_t>(index) >= languages.size())
        return;
    const qint32 id = platform::integer32Or0(languages[static_cast<size_t>(index)].text);
    m_main.langConst = id;
    m_config.SetLanguageArray(id, startup::InterfaceTexts);
    SetLanguage();
    Q_EMIT languageChanged(id);
}

void TFSettings::FadeInTimer() {
    const int next = width() + kFadeInStep;
    if (next < m_formWidth) {
        resize(next, height());
        return;
    }
    m_fadeIn.stop();
    resize(m_formWidth, height());
}

} // namespace kaldoria::settings
