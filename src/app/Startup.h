#pragma once

#include "platform/SingleInstance.h"
#include "skin/SkinReadResult.h"
#include "skin/TkucConfig.h"
#include "startup/tConfigData.h"
#include "startup/tDebugFile.h"

#include <QStringList>

#include <memory>

namespace kaldoria::app {

// The program's start-up up to the windows: the debug switch, the debug log, the one
// configuration object, the skin and the configuration text read from the package, the
// instance name and the single-instance check. It owns what it creates for the rest of
// the run; the front end (windows or terminal) takes over from there.
class Startup {
public:
    enum class Outcome {
        Continue,           // go on with the windows or the headless run
        AnotherCopyRunning, // a copy with the same instance name runs and was asked to come forward
        SkinUnreadable,     // a skin block was damaged; skinReadResult() says how
    };

    // `arguments`: the command-line arguments after the program name.
    explicit Startup(const QStringList& arguments);
    ~Startup();

    Outcome run();

    startup::tDebugFile& debugLog() { return *m_log; }
    startup::tConfigData& configData() { return *m_configData; }
    skin::TkucConfig& skinConfig() { return *m_skinConfig; }
    skin::SkinReadResult skinReadResult() const { return m_skinReadResult; }
    // Emits raiseRequested when a later start asks this copy to come forward.
    platform::SingleInstance* singleInstance() { return m_singleInstance.get(); }

    // True when the main window's background was read: the windows can be built.
    bool skinLoaded() const;

private:
    void readConfiguration();

    QStringList m_arguments;
    std::unique_ptr<startup::tDebugFile> m_log;
    std::unique_ptr<startup::tConfigData> m_configData;
    std::unique_ptr<skin::TkucConfig> m_skinConfig;
    std::unique_ptr<platform::SingleInstance> m_singleInstance;
    skin::SkinReadResult m_skinReadResult = skin::SkinReadResult::Ok;
};

} // namespace kaldoria::app
