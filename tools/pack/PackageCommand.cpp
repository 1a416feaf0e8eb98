#include "CommandArguments.h"
#include "CommandReport.h"
#include "ConfigPackageWriter.h"
#include "OutputFile.h"
#include "PackCommands.h"

#include "skin/TkucConfig.h"
#include "startup/ConfigPackage.h"

namespace kaldoria::pack {

namespace {
constexpr char kUsage[] = "Usage: kaldoria-pack package STREAM -o FILE\n\n"
                          "Writes the configuration package for a configuration stream (see 'stream'):\n"
                          "its length, then the stream compressed with bzip2 and scrambled with the\n"
                          "launcher's key. Attach it to the launcher as resource 'blank'.\n";
} // namespace

int runPackage(const QStringList& args) {
    CommandArguments parsed = CommandArguments::parse(args, {u"-o"_qs});
    if (parsed.help)
        return commandUsage(kUsage);
    const QString output = parsed.required(u"-o"_qs);
    if (parsed.error.isEmpty() && parsed.positional.size() != 1)
        parsed.error = u"give exactly one STREAM file"_qs;
    if (!parsed.error.isEmpty())
        return commandFailed("package", parsed.error + u"\n\n"_qs + QString::fromLatin1(kUsage));

    const QString input = parsed.positional.first();
    QString error;
    const auto stream = readInputFile(input, error);
    if (!stream)
        return commandFailed("package", error);
    // The launcher ends at once without a main-window background, so refuse such a stream.
    skin::TkucConfig skin;
    const skin::SkinReadResult read = skin.LoadFromData(*stream);
    if (read != skin::SkinReadResult::Ok)
        return commandFailed("package", u"%1: damaged skin blocks: %2"_qs.arg(input, skin::skinReadResultText(read)));
    if (skin.MainWindow.BackGroundImage.image.width() == 0)
        return commandFailed(
            "package",
            u"%1: no main-window skin with a background image (is it a configuration stream?)"_qs.arg(input));
    const auto package = writeConfigPackage(*stream);
    if (!package)
        return commandFailed("package", u"%1: compressed, it exceeds the launcher's limit of %2 bytes"_qs.arg(
                                            input, QString::number(startup::ConfigPackage::kMaxPayload)));
    error = writeOutputFile(output, *package);
    return error.isEmpty() ? 0 : commandFailed("package", error);
}

} // namespace kaldoria::pack
