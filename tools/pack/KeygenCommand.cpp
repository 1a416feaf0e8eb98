#include "CommandArguments.h"
#include "CommandReport.h"
#include "PackCommands.h"

#include "trust/SigningKey.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

// kaldoria-pack keygen: a new operator key pair for signing published folders.
namespace kaldoria::pack {

namespace {

constexpr char kUsage[] = "Usage: kaldoria-pack keygen -o NAME\n\n"
                          "Makes a new Ed25519 key pair for signing update server folders: NAME.key, the private\n"
                          "key (PEM, readable by you only), and NAME.pub, the public key that launchers trust.\n"
                          "Keep NAME.key off the update server and make a copy somewhere safe: whoever has it can\n"
                          "sign updates. Neither file is ever overwritten.\n";

constexpr char kCommand[] = "keygen";

} // namespace

int runKeygen(const QStringList& args) {
    CommandArguments parsed = CommandArguments::parse(args, {QStringLiteral("-o")});
    if (parsed.help)
        return commandUsage(kUsage);
    const QString name = parsed.required(QStringLiteral("-o"));
    if (parsed.error.isEmpty() && !parsed.positional.isEmpty())
        parsed.error = QStringLiteral("unexpected %1").arg(parsed.positional.first());
    if (!parsed.error.isEmpty())
        return commandFailed(kCommand, parsed.error + QStringLiteral("\n\n") + QString::fromLatin1(kUsage));

    const QString privatePath = name + QStringLiteral(".key");
    const QString publicPath = name + QStringLiteral(".pub");
    for (const QString& path : {privatePath, publicPath}) {
        if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
            return commandFailed(kCommand, QStringLiteral("%1 exists already; keys are never overwritten").arg(path));
    }
    const trust::Result<trust::SigningKey> key = trust::SigningKey::generate();
    if (!key.ok())
        return commandFailed(kCommand, key.error());
    if (const QString error = key.value().writeNewPem(privatePath); !error.isEmpty())
        return commandFailed(kCommand, error);
    if (const QString error = key.value().publicKey().writePem(publicPath); !error.isEmpty()) {
        QFile::remove(privatePath); // a private key without its public half would only confuse
        return commandFailed(kCommand, error);
    }
    QTextStream(stdout) << "wrote " << privatePath << " (secret: keep it off the server) and " << publicPath << "\n";
    return 0;
}

} // namespace kaldoria::pack
