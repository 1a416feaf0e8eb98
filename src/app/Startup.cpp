#include "app/Startup.h"

#include "app/LeftoverFiles.h"
#include "startup/ProcessValues.h"

#include <QBuffer>
#include <QTextStream>

namespace kaldoria::app {

using namespace kaldoria::startup;

namespace {
// How long a launcher restarted by its predecessor waits for the predecessor to end.
constexpr int kRestartLockWaitMs = 10000;
} // namespace

Startup::Startup(const QStringList& arguments, const QString& clientFolder, bool waitForLock)
    : m_arguments(arguments), m_clientFolder(clientFolder), m_waitForLock(waitForLock) {}

Startup::~Startup() = default;

Startup::Outcome Startup::run() {
    // The lock comes before anything that touches the client: a start that gives way
    // writes nothing, not even its debug log.
    const bool locked = takeFolderLock();
    if (locked) {
        LeftoverFiles::removeFrom(m_clientFolder);
        if (!m_arguments.isEmpty() && m_arguments.first().toLower() == u"-debug")
            DebugMode = true;
    }

    m_log = std::make_unique<tDebugFile>(QStringLiteral("log.err"));
    m_log->enabled = DebugMode;

    m_configData = std::make_unique<tConfigData>();
    m_log->WriteErr(QStringLiteral("config created"));
    m_configData->debug_file = m_log.get();

    m_skinConfig = std::make_unique<skin::TkucConfig>();
    readConfiguration();
    if (locked && m_skinReadResult != skin::SkinReadResult::Ok)
        return Outcome::SkinUnreadable;

    if (!m_configData->Config.Instance.isEmpty())
        InstanceName = m_configData->Config.Instance;

    m_singleInstance = std::make_unique<platform::SingleInstance>(InstanceName);
    if (!locked) {
        m_singleInstance->askRunningCopyToRaise();
        m_refusal = QStringLiteral("another launcher is running for the client folder %1").arg(m_clientFolder);
        return Outcome::AnotherCopyRunning;
    }
    if (!m_singleInstance->claim()) {
        m_refusal = QStringLiteral("another launcher with the instance name %1 is running").arg(InstanceName);
        return Outcome::AnotherCopyRunning;
    }
    return Outcome::Continue;
}

// False only when another launcher holds the client folder's lock. A lock file that cannot
// be made (a read-only client folder, where no update can write either) does not stop the
// start.
bool Startup::takeFolderLock() {
    m_folderLock = std::make_unique<platform::FolderLock>(m_clientFolder + QLatin1Char('/') + lockFileName());
    switch (m_folderLock->acquire(m_waitForLock ? kRestartLockWaitMs : 0)) {
    case platform::FolderLock::Result::Held:
        return true;
    case platform::FolderLock::Result::HeldElsewhere:
        return false;
    case platform::FolderLock::Result::Unavailable:
        QTextStream(stderr) << "Kaldoria: running without the client folder's lock: " << m_folderLock->errorText()
                            << "\n";
        return true;
    }
    return true;
}

// The package becomes the configuration stream; the two skin readers take their blocks
// from its front and the parser reads the text after them. A damaged skin block leaves
// the rest of the stream unplaced, so nothing after it is read.
void Startup::readConfiguration() {
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    m_configData->LoadConfig(stream);
    stream.seek(0);
    m_skinReadResult = m_skinConfig->LoadWindows(stream);
    if (m_skinReadResult != skin::SkinReadResult::Ok) {
        m_log->WriteErr(skin::skinReadResultText(m_skinReadResult));
        return;
    }
    m_configData->ParseConfig(stream);
}

bool Startup::skinLoaded() const {
    return m_skinConfig && m_skinConfig->MainWindow.BackGroundImage.image.width() > 0;
}

} // namespace kaldoria::app
