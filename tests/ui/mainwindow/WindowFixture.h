#pragma once

#include "ui/mainwindow/TFMain.h"
#include "ui/mainwindow/TextNewsBrowser.h"
#include "ui/settings/TFSettings.h"

#include "skin/TkucConfig.h"
#include "startup/tConfigData.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace kaldoria::mainwindow {

// The two windows made as the program's start-up makes them, from the demo skin (drawn
// once per test binary by kaldoria-pack, with a start button that starts disabled) and a
// configuration text, in a client folder of their own. Termination ends nothing here: the
// request is only recorded.
class WindowFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Texts of English (1033) and German (1031); the windows' captions carry the language.
    static QString configText(const QString& extra = QString(), const QStringList& servers = {},
                              const QString& newsUrl = QString());
    // The update cycle never starts within a test's time.
    static TFMain::Timings idleTimings();

    // The configuration and both skins read from the skin stream, as start-up reads them.
    void loadConfiguration(const QString& configText);
    // Both windows with their skins applied and the language-folder box filled.
    TFMain& makeWindows(const QString& configText, TFMain::Timings timings = idleTimings(),
                        const QStringList& arguments = {});

    QString clientFile(const QString& relative) const { return m_client + QLatin1Char('/') + relative; }
    QByteArray readClient(const QString& relative) const;
    void writeClient(const QString& relative, const QByteArray& bytes) const;
    // The lines of the user settings file.
    QStringList settingsLines() const;

    static QString buildFile(const QString& name);
    static bool pack(const QStringList& arguments);

    static QTemporaryDir* s_skinRoot;
    QTemporaryDir m_root;
    QString m_client;
    QString m_program;
    std::unique_ptr<startup::tConfigData> m_config;
    std::unique_ptr<skin::TkucConfig> m_skin;
    std::unique_ptr<TFMain> m_main;
    settings::TFSettings* m_settings = nullptr;
};

} // namespace kaldoria::mainwindow
