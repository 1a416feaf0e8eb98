#include "update/TUpdateWorkflow.h"

#include "update/checks/TFullCheck.h"
#include "update/checks/TRequiredFilesCheck.h"
#include "update/manifest/UpdateListSections.h"
#include "update/settings/SettingsDataFile.h"
#include "update/signing/SignedListGate.h"
#include "update/signing/TrustResource.h"
#include "update/source/SingleFetch.h"
#include "update/source/TServerSelector.h"

#include "download/ByteRate.h"
#include "launch/GameLauncher.h"
#include "launch/ProxyProbe.h"
#include "platform/ClientPath.h"
#include "platform/PlantedLinks.h"
#include "platform/ProgramResources.h"
#include "platform/ProgramStarter.h"
#include "platform/SystemLanguage.h"
#include "platform/TerminateRequest.h"
#include "startup/InterfaceTexts.h"
#include "startup/tConfigData.h"
#include "startup/tDebugFile.h"
#include "unpack/PackedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kaldoria::update {

using launch::GameLauncher;
using launch::ProxyProbe;
using platform::TerminateRequest;

// Marks update work in progress, so that a close action run from inside one of its waits
// leaves the downloader and the lists in place until the work has unwound.
class TUpdateWorkflow::BusyScope {
public:
    explicit BusyScope(TUpdateWorkflow& owner) : m_owner(owner) { ++m_owner.m_busy; }
    ~BusyScope() {
        if (--m_owner.m_busy == 0 && m_owner.m_closing)
            m_owner.releaseObjects();
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    TUpdateWorkflow& m_owner;
};

TUpdateWorkflow::TUpdateWorkflow(UpdateView& view, startup::tConfigData& config, startup::tDebugFile* debugFile,
                                 const QStringList& arguments, const QString& programPath, QObject* parent)
    : QObject(parent), m_config(config), m_debugFile(debugFile), m_arguments(arguments), m_s(view) {
    m_s.ownProgramPath = QFileInfo(programPath).absoluteFilePath();
    if (m_debugFile)
        m_s.debugLog = [this](const QString& line) { m_debugFile->WriteErr(line); };
    m_s.saveSettings = [this] { SaveIniFile(); };
    m_s.restarted = arguments.mid(1).contains(kRestartedSwitch);
    m_s.cancel = TerminateRequest::token();
    m_s.restartSelf = [this] {
        // The new program takes over; this one ends as on a close action.
        QStringList arguments{kRestartedSwitch};
        if (m_rateOverride)
            arguments << QStringLiteral("--limit-rate") << download::byteRateText(*m_rateOverride);
        if (platform::ProgramStarter::startDetached(m_s.ownProgramPath, arguments, m_s.mainPath))
            TerminateRequest::request();
    };
}

TUpdateWorkflow::~TUpdateWorkflow() = default;

void TUpdateWorkflow::setRestartHandler(std::function<void()> restart) {
    m_s.restartSelf = std::move(restart);
}

void TUpdateWorkflow::prepare() {
    m_s.mainPath = QFileInfo(m_s.ownProgramPath).absolutePath();
    m_s.tmpPath = m_s.mainPath + QStringLiteral("/updater");
    m_s.localSource = LocalSource::fromArguments(m_arguments);
    m_s.settings = UserSettingsFile::load(m_s.workFile(QStringLiteral("Kaldoria.ini")));
    applyLocks();
    chooseLanguage();
    findProxyPosition();
    QFile::remove(m_s.ownProgramPath + QStringLiteral(".bak"));
    // The work folder is a real folder of the client: a link planted there is removed.
    platform::PlantedLinks::removeLink(m_s.tmpPath);
    QDir().mkdir(m_s.tmpPath);
    m_s.Required = std::make_unique<filelist::TFileList>(true);
    m_s.NewFileList = std::make_unique<filelist::TFileList>(true);
    m_s.CheckAll = std::make_unique<filelist::TFileList>(true);
    m_s.OldFileList = std::make_unique<filelist::TFileList>(true);
    for (filelist::TFileList* list :
         {m_s.Required.get(), m_s.NewFileList.get(), m_s.CheckAll.get(), m_s.OldFileList.get()})
        list->setCancelToken(m_s.cancel);
    loadDatConfig();
    loadTrustedKeys();
}

void TUpdateWorkflow::loadTrustedKeys() {
    const std::optional<QByteArray> resource =
        platform::ProgramResources::read(m_s.ownProgramPath, QString::fromLatin1(TrustResource::kName));
    if (!resource)
        return;
    trust::Result<std::vector<trust::TrustedKey>> keys = TrustResource::parse(*resource);
    if (keys.ok())
        m_s.trustedKeys = std::move(keys).value();
    else
        m_s.trustFailure = QStringLiteral("the launcher's trusted keys cannot be read: ") + keys.error();
    // Packed files are checked against their signed SHA-256, computed while they arrive.
    m_s.fetchOptions.digest = download::FileDigest::Sha256;
}

void TUpdateWorkflow::applyLocks() {
    const startup::tConfigRecord& c = m_config.Config;
    if (!c.UserCan_ChangeProxy)
        m_s.settings.selProxy = QStringLiteral("Auto");
    if (!c.UserCan_ChangeDriveType)
        m_s.settings.driveType = QStringLiteral("HDD");
    if (!c.UserCan_ChangeCheckMethod)
        m_s.settings.checkMode = QStringLiteral("Hard: MD5 Hash");
    if (!c.UserCan_ChangeAutoClose)
        m_s.settings.autoClose = c.DefaultAutoClose;
}

void TUpdateWorkflow::chooseLanguage() {
    if (m_s.settings.language)
        m_langConst = m_config.GetLanguageIdByName(m_s.settings.language->toLower());
    if (m_langConst != 0) {
        m_config.SetLanguageArray(m_langConst, startup::InterfaceTexts);
    } else {
        m_config.SetLanguageArray(platform::systemLanguageId(), startup::InterfaceTexts);
        m_langConst = m_config.LangNum;
    }
}

void TUpdateWorkflow::findProxyPosition() {
    m_s.settings.selProxy = m_s.settings.selProxy.trimmed().toLower();
    m_proxyIdx = 0;
    if (m_s.settings.selProxy == QLatin1String("auto"))
        return;
    const QStringList& proxies = m_config.ProxyServers.Servers;
    for (qsizetype i = 0; i < proxies.size(); ++i) {
        if (proxies.at(i).section(QLatin1Char('|'), 0, 0).trimmed().toLower() == m_s.settings.selProxy)
            m_proxyIdx = static_cast<int>(i) + 1;
    }
}

void TUpdateWorkflow::loadDatConfig() {
    const QString path = m_s.workFile(QStringLiteral("Kaldoria.dat"));
    if (QFileInfo::exists(path) && !SettingsDataFile::read(path))
        m_s.log(QStringLiteral("Damaged settings data file ignored: Kaldoria.dat"));
}

void TUpdateWorkflow::MainTimerTimer() {
    if (m_closing)
        return;
    BusyScope busy(*this);
    RunUpdate();
    if (m_s.cancel.isCancelled())
        return; // RunUpdate has ended the program
    LoadProxyList();
}

void TUpdateWorkflow::RunUpdate() {
    if (m_closing)
        return;
    BusyScope busy(*this);
    // A run again (the window's retry) is judged on its own: what it cannot do counts anew.
    m_s.failedFiles = 0;
    m_s.listMissing = false;
    applyRateLimit();
    TServerSelector::Options options;
    options.usePing = m_config.UpdateServers.UsePing;
    options.randomSelect = m_config.UpdateServers.RandomSelect;
    options.log = m_s.debugLog;
    options.cancel = m_s.cancel;
    const QStringList configured = m_config.UpdateServers.Servers;
    const QString chosen = TServerSelector::CheckUpdateServers(m_config.UpdateServers.Servers, options);
    if (endIfTerminated())
        return;
    QStringList servers = TServerSelector::tryOrder(chosen, m_config.UpdateServers.Servers, configured);
    if (servers.isEmpty()) {
        reportNoList(QStringLiteral("no update server is configured"));
        return;
    }
    // In local-source mode the list comes from the local folder, whichever server was chosen.
    if (m_s.localSource.enabled)
        servers = servers.mid(0, 1);
    m_s.view.setStatusText(m_s.text(startup::TextEntry::FetchingList));
    QString failure;
    for (const QString& server : std::as_const(servers)) {
        if (!failure.isEmpty())
            m_s.log(QStringLiteral("Trying the next update server: ") + server);
        m_s.URLMain = server;
        failure = fetchList();
        if (endIfTerminated())
            return;
        if (failure.isEmpty())
            break;
        m_s.log(QStringLiteral("No file list from ") + server + QStringLiteral(": ") + failure);
    }
    if (!failure.isEmpty()) {
        reportNoList(failure);
        return;
    }
    chooseMirrors(m_config.UpdateServers.Servers);
    m_s.view.setStepProgress(0, 0);
    TRequiredFilesCheck(m_s).CheckingRequiredFiles();
    endIfTerminated();
}

QString TUpdateWorkflow::fetchList() {
    const QString packed = m_s.workFile(QStringLiteral("$tmp.kdz"));
    const QString list = m_s.mainPath + QStringLiteral("/updater.lst");
    // Nothing left from an earlier run or server may be taken for this one's list.
    QFile::remove(packed);
    QFile::remove(list);
    if (m_s.localSource.enabled) {
        if (!QFile::copy(platform::ClientPath::resolve(m_s.localSource.folder, QStringLiteral("updater.lst.kdz")),
                         packed))
            return QStringLiteral("updater.lst.kdz is not in the local source folder");
    } else {
        const download::DownloadFailure failure =
            fetchSingleFile(m_s.fetchOptions, m_s.URLMain + QStringLiteral("updater.lst.kdz"), packed, m_s.cancel);
        if (m_s.cancel.isCancelled())
            return QStringLiteral("cancelled");
        if (failure.kind != download::DownloadFailure::Kind::None) {
            QFile::remove(packed);
            return m_s.downloadFailure(failure);
        }
    }
    m_s.view.setStatusText(m_s.text(startup::TextEntry::UnpackingPrefix) + QStringLiteral("updater.lst"));
    const unpack::UnpackResult result = unpack::UnpackPackedFile(packed, list);
    QFile::remove(packed);
    if (result.status != unpack::UnpackResult::Status::Unpacked) {
        QFile::remove(list);
        if (result.diskFull)
            m_s.reportDiskFull(result.bytesNeeded, result.bytesFree);
        return QStringLiteral("the packed list could not be unpacked: ") + result.error;
    }
    // The list is read once, here, and used only when it reads to its end: the files after
    // damage would silently count as unlisted.
    UpdateListSections sections = UpdateListSections::split(UpdateListSections::readLines(list));
    const filelist::Status readable = m_s.NewFileList->LoadFromStrings(sections.fileLines);
    if (!readable.ok()) {
        m_s.NewFileList->Clear();
        QFile::remove(list);
        return QStringLiteral("the list is damaged: ") + readable.message();
    }
    if (m_s.signedUpdates()) {
        if (const QString refused = SignedListGate(m_s).accept(list); !refused.isEmpty()) {
            m_s.NewFileList->Clear();
            QFile::remove(list);
            return refused;
        }
    }
    m_s.listSections = std::move(sections);
    return QString();
}

void TUpdateWorkflow::chooseMirrors(const QStringList& answered) {
    m_s.mirrors.clear();
    if (m_s.localSource.enabled)
        return;
    for (const QString& server : answered) {
        if (!server.trimmed().isEmpty() && server != m_s.URLMain && !m_s.mirrors.contains(server))
            m_s.mirrors.append(server);
    }
    if (!m_s.mirrors.isEmpty())
        m_s.log(QStringLiteral("Update servers taking part: ") + m_s.URLMain + QStringLiteral(", ") +
                m_s.mirrors.join(QStringLiteral(", ")));
}

void TUpdateWorkflow::reportNoList(const QString& reason) {
    m_s.listMissing = true;
    m_s.log(QStringLiteral("The file list could not be fetched: ") + reason);
    m_s.view.reportFailure(QStringLiteral("updater.lst.kdz"), reason);
    m_s.view.showMessage(m_s.text(startup::TextEntry::NoUpdateServer));
    m_s.view.setStatusText(m_s.text(startup::TextEntry::NoUpdateServer));
    m_s.view.setStartButtonEnabled(true);
}

bool TUpdateWorkflow::endIfTerminated() {
    if (!m_s.cancel.isCancelled())
        return false;
    TerminateRequest::endProgram();
    return true;
}

void TUpdateWorkflow::Button_CheckAllFilesClick() {
    // The downloader and the lists serve one check or update at a time.
    if (m_closing || m_busy > 0)
        return;
    // Without the server's list there is nothing to check against.
    if (m_s.listMissing)
        return;
    BusyScope busy(*this);
    applyRateLimit();
    const int failuresBefore = m_s.failedFiles;
    TFullCheck(m_s).CheckingAllFiles();
    if (endIfTerminated())
        return;
    m_s.reportOutcome(startup::TextEntry::FullCheckFinished, failuresBefore);
}

void TUpdateWorkflow::applyRateLimit() {
    m_s.fetchOptions.maxBytesPerSecond = m_rateOverride.value_or(m_s.settings.limitRate);
}

void TUpdateWorkflow::LoadProxyList() {
    if (m_closing)
        return;
    BusyScope busy(*this);
    m_proxyLine.clear();
    const startup::tGameProxysRecord& proxies = m_config.ProxyServers;
    if (!proxies.UseProxy)
        return;
    ProxyProbe probe;
    probe.setCancelToken(m_s.cancel);
    QString result;
    startup::TextEntry failureEntry = startup::TextEntry::NoGameServer;
    if (m_s.settings.selProxy.toLower() == QLatin1String("auto")) {
        result = probe.CheckProxyServers(proxies.Servers, proxies.Port);
    } else {
        failureEntry = startup::TextEntry::GameServerSilent;
        if (m_proxyIdx > 0 && m_proxyIdx <= proxies.Servers.size()) {
            const QString line = proxies.Servers.at(m_proxyIdx - 1);
            if (!line.isEmpty())
                result = probe.CheckProxyServers({line}, proxies.Port);
        }
    }
    if (endIfTerminated())
        return;
    if (result.isEmpty()) {
        m_s.view.showMessage(m_s.text(failureEntry));
        m_s.view.setStatusText(m_s.text(failureEntry));
        return;
    }
    m_proxyLine = result;
}

void TUpdateWorkflow::chooseProxy(int index, const QString& displayed) {
    if (m_closing)
        return;
    BusyScope busy(*this);
    m_proxyIdx = index;
    m_s.settings.selProxy = displayed;
    const QStringList& servers = m_config.ProxyServers.Servers;
    if (index < 1 || index > servers.size())
        return;
    ProxyProbe probe;
    probe.setCancelToken(m_s.cancel);
    const QString result = probe.CheckProxyServers({servers.at(index - 1)}, m_config.ProxyServers.Port);
    if (endIfTerminated())
        return;
    if (result.isEmpty()) {
        m_s.view.showMessage(m_s.text(startup::TextEntry::GameServerSilent));
        m_s.view.setStatusText(m_s.text(startup::TextEntry::GameServerSilent));
        return;
    }
    m_proxyLine = result;
}

void TUpdateWorkflow::Button_StartGameClick() {
    GameLauncher::Choice choice;
    choice.mainPath = m_s.mainPath;
    choice.langFolderPairs = m_config.Config.LangFolder;
    choice.langFolder = m_s.settings.langFolder;
    choice.useProxy = m_config.ProxyServers.UseProxy;
    choice.proxyLine = m_proxyLine;
    GameLauncher::start(choice);
    if (m_s.settings.autoClose)
        shutdown();
}

void TUpdateWorkflow::SaveIniFile() {
    UserSettings s = m_s.settings;
    s.language = m_config.LangName;
    if (const std::optional<QPoint> position = m_s.view.windowPosition()) {
        s.mainLeft = position->x();
        s.mainTop = position->y();
    }
    if (!m_s.tmpPath.isEmpty())
        UserSettingsFile::save(m_s.workFile(QStringLiteral("Kaldoria.ini")), s);
}

void TUpdateWorkflow::shutdown() {
    SaveIniFile();
    m_closing = true;
    if (m_busy == 0)
        releaseObjects();
    TerminateRequest::request();
}

void TUpdateWorkflow::releaseObjects() {
    m_s.OldFileList.reset();
    m_s.CheckAll.reset();
    m_s.NewFileList.reset();
    m_s.Required.reset();
}

} // namespace kaldoria::update
