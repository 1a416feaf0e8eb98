#include "CommandArguments.h"
#include "CommandReport.h"
#include "PackCommands.h"
#include "SignedFolderCheck.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>

// kaldoria-pack verify: checks a signed update server folder as a launcher would.
namespace kaldoria::pack {

namespace {

constexpr char kUsage[] = "Usage: kaldoria-pack verify SERVER_DIR --key NAME.pub [--key NAME.pub]...\n\n"
                          "Checks a folder made by 'publish --sign' the way a launcher that trusts the given keys\n"
                          "checks what it fetches: \"updater.sig\" is signed by one of the keys and has not expired,\n"
                          "\"updater.lst.kdz\" unpacks to the signed list, and every listed archive and the file it\n"
                          "holds have their signed SHA-256. A file's chunk index (PATH.kdc, from 'publish --chunks')\n"
                          "must be the signed one, and its chunks must be in \"chunks/\" and make the signed file.\n"
                          "Exit code 0 when all is well, 1 with the reasons when not.\n";

constexpr char kCommand[] = "verify";

} // namespace

int runVerify(const QStringList& args) {
    const QString keyOption = QStringLiteral("--key");
    CommandArguments parsed = CommandArguments::parse(args, {keyOption});
    if (parsed.help)
        return commandUsage(kUsage);
    if (parsed.positional.size() != 1)
        parsed.error = QStringLiteral("give exactly one SERVER_DIR");
    if (parsed.error.isEmpty() && !parsed.options.contains(keyOption))
        parsed.error = QStringLiteral("give at least one --key NAME.pub");
    if (!parsed.error.isEmpty())
        return commandFailed(kCommand, parsed.error + QStringLiteral("\n\n") + QString::fromLatin1(kUsage));
    const QString server = parsed.positional.first();
    if (!QFileInfo(server).isDir())
        return commandFailed(kCommand, QStringLiteral("%1 is not a folder").arg(server));

    std::vector<trust::TrustedKey> keys;
    for (const QString& path : parsed.options.values(keyOption)) {
        trust::Result<trust::TrustedKey> key = trust::TrustedKey::readPem(path);
        if (!key.ok())
            return commandFailed(kCommand, key.error());
        keys.push_back(std::move(key).value());
    }

    const SignedFolderCheck::Outcome outcome = SignedFolderCheck::run(server, keys, QDateTime::currentSecsSinceEpoch());
    for (const QString& problem : outcome.problems)
        commandFailed(kCommand, problem);
    if (!outcome.problems.isEmpty())
        return 1;
    const trust::ManifestData& data = outcome.manifest->data;
    QTextStream out(stdout);
    out << server << ": good: serial " << data.serial << ", " << data.files.size() << " files, expires "
        << QDateTime::fromSecsSinceEpoch(data.expires, Qt::UTC).toString(Qt::ISODate) << "\n";
    if (!data.nextKeys.empty())
        out << "launchers will trust " << data.nextKeys.size() << " next key(s) from this manifest on\n";
    return 0;
}

} // namespace kaldoria::pack
