#pragma once

#include "platform/FolderLock.h"
#include "platform/SingleInstance.h"
#include "skin/SkinReadResult.h"
#include "skin/TkucConfig.h"
#include "startup/tConfigData.h"
#include "startup/tDebugFile.h"

#include <QStringList>

#include <memory>

namespace kaldoria::app {

// The program's start-up up to the windows: the client folder's lock, the debug switch,
// the debug log, the one configuration object, the skin and the configuration text read
// from the package, the instance name and the single-instance check. It owns what it
// creates for the rest of the run (the lock included); the front end (windows or
// terminal) takes over from there.
class Startup {
public:
    enum class Outcome {
        Continue,           // go on with the windows or the headless run
        AnotherCopyRunning, // another launcher runs for this client folder or instance name;
                            // it was asked to come forward, refusal() says which
        SkinUnreadable,     // a skin block was damaged; skinReadResult() says how
    };

    // `arguments`: the command-line arguments after the program name. `clientFolder`: the
    // folder of the program file. With `waitForLock` (a launcher restarted by its
    // predecessor) the start waits a while for the folder's lock instead of giving up.
    Startup(const QStringList& arguments, const QString& clientFolder, bool waitForLock);
    ~Startup();

    Outcome run();

    startup::tDebugFile& debugLog() { return *m_log; }
    startup::tConfigData& configData() { return *m_configData; }
    skin::TkucConfig& skinConfig() { return *m_skinConfig; }
    skin::SkinReadResult skinReadResult() const { return m_skinReadResult; }
    // Emits raiseRequested when a later start asks this copy to come forward.
    platform::SingleInstance* singleInstance() { return m_singleInstance.get(); }
    // Why the start gave way to another launcher (AnotherCopyRunning).
    const QString& refusal() const { return m_refusal; }

    // True when the main window's background was read: the windows can be built.
    bool skinLoaded() const;

    // The client folder's lock file, relative to the client folder.
    static QString lockFileName() { return QStringLiteral("updater/Kaldoria.lock"); }

private:
    bool takeFolderLock();
    void readConfiguration();

    QStringList m_arguments;
    QString m_clientFolder;
    bool m_waitForLock = false;
    std::unique_ptr<platform::FolderLock> m_folderLock;
    std::unique_ptr<startup::tDebugFile> m_log;
    std::unique_ptr<startup::tConfigData> m_configData;
    std::unique_ptr<skin::TkucConfig> m_skinConfig;
    std::unique_ptr<platform::SingleInstance> m_singleInstance;
    skin::SkinReadResult m_skinReadResult = skin::SkinReadResult::Ok;
    QString m_refusal;
};

} // namespace kaldoria::app
