#pragma once

#include "update/UpdateView.h"
#include "update/WorkflowState.h"
#include "update/settings/UserSettings.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace kaldoria::startup {
class tConfigData;
class tDebugFile;
} // namespace kaldoria::startup

namespace kaldoria::update {

// The switch that a self-update gives the new program: it was started by its predecessor.
inline const QString kRestartedSwitch = QStringLiteral("--restarted");

// The main window's update workflow without its widgets. It owns the downloader and the
// four file lists for the whole run, and drives the window through UpdateView: the update
// cycle (server selection, the packed list, the required-files check and update, the
// proxy choice), the full check, the game launch, the user settings and the shutdown.
// Everything runs on the user-interface thread; long waits keep the event loop running,
// so the window's handlers (the close action included) may run in the middle of them.
class TUpdateWorkflow : public QObject {
    Q_OBJECT
public:
    // `debugFile` is the debug log in debug mode and null otherwise. `arguments` are the
    // command-line arguments with the program first; `programPath` the program file.
    TUpdateWorkflow(UpdateView& view, startup::tConfigData& config, startup::tDebugFile* debugFile,
                    const QStringList& arguments, const QString& programPath, QObject* parent = nullptr);
    ~TUpdateWorkflow() override;

    // What the window prepares at its creation apart from its widgets: paths, the
    // local-source argument, the user settings with the configuration's locks, the
    // language, the proxy position, the leftover ".bak" file, the work folder, the lists
    // and the downloader, the settings data file.
    void prepare();

    // The update cycle, run once at the first tick of the window's timer: RunUpdate() and
    // then LoadProxyList().
    void MainTimerTimer();
    // The cycle without the proxy choice: server selection, the packed list, the
    // required-files check and update. May run again after a failed run.
    void RunUpdate();
    // The full check of the check-all button, then the status text of a finished check.
    void Button_CheckAllFilesClick();
    // Chooses the game proxy (automatic or the user's choice) and keeps its line.
    void LoadProxyList();
    // Installs the proxy's settings file, starts the game client and closes the launcher
    // when the user asked for that.
    void Button_StartGameClick();

    // The settings window's proxy choice: 0 automatic, k the k-th configured proxy, which
    // is probed at once; a proxy that does not answer is reported.
    void chooseProxy(int index, const QString& displayed);

    void SaveIniFile();
    // The close action: saves the settings, stops the downloader, releases the downloader
    // and the lists unless update work waits beneath the caller, and asks the application
    // to terminate.
    void shutdown();

    UserSettings& settings() { return m_s.settings; }
    int proxyIdx() const { return m_proxyIdx; }
    const QString& proxyLine() const { return m_proxyLine; }
    const QString& urlMain() const { return m_s.URLMain; }
    const WorkflowState& state() const { return m_s; }

    // Files that could not be updated in this run, and whether the server's list was had.
    int failedFiles() const { return m_s.failedFiles; }
    bool listMissing() const { return m_s.listMissing; }

    // A download rate limit for this run in place of the settings file's (the command line's
    // --limit-rate); it is not saved. Bytes per second, 0 for none.
    void setRateLimitOverride(std::optional<qint64> bytesPerSecond) { m_rateOverride = bytesPerSecond; }

    // How the launcher takes over from its own new program file; returns only on failure.
    // By default the new program is started detached without arguments and this process ends.
    void setRestartHandler(std::function<void()> restart);

private:
    class BusyScope;

    void applyLocks();
    void chooseLanguage();
    void findProxyPosition();
    void loadDatConfig();
    // The keys of the program's resource "trust", which make every update a signed one.
    void loadTrustedKeys();
    // Fetches, unpacks and checks the list of the server URLMain into "updater.lst"; the
    // reason when it could not.
    QString fetchList();
    void reportNoList(const QString& reason);
    // The servers besides URLMain that packed files come from: those of `answered` (the
    // servers that answered the probe), none in local-source mode.
    void chooseMirrors(const QStringList& answered);
    // Gives the downloads of the next fetches the rate limit in force: the override, or else
    // the user's setting as it stands now.
    void applyRateLimit();
    // Ends the program when the run was cancelled, once the step that saw it has given its
    // work up and returned; true when it was cancelled (a test's end-program hook returns).
    // The only place where the update work ends the program.
    bool endIfTerminated();
    void releaseObjects();

    startup::tConfigData& m_config;
    startup::tDebugFile* m_debugFile;
    QStringList m_arguments;
    WorkflowState m_s;
    int m_langConst = 0;
    int m_proxyIdx = 0;
    QString m_proxyLine;
    int m_busy = 0;
    bool m_closing = false;
    std::optional<qint64> m_rateOverride;
};

} // namespace kaldoria::update
