#include "CommandArguments.h"
#include "CommandReport.h"
#include "ConfigTextCheck.h"
#include "OutputFile.h"
#include "PackCommands.h"
#include "SkinFolderWriter.h"

namespace kaldoria::pack {

namespace {
constexpr char kUsage[] =
    "Usage: kaldoria-pack stream --skin DIR --config FILE -o STREAM\n\n"
    "Writes the decoded configuration stream: the main-window skin block, the settings-window\n"
    "skin block (both from DIR), then the bytes of the configuration text FILE.\n\n"
    "DIR/MainWindow/<Element>/ and DIR/ConfigWindow/<Element>/ hold one folder per skinned\n"
    "element (BackGroundImage, Button_StartGame, Text_Title, ...), with files named after the\n"
    "element's fields: parameters.txt, btn_script.txt, image.bmp, region.rgn, common.bmp,\n"
    "over.bmp, disabled.bmp, down.bmp, up.bmp, FTex.bmp, BTex.bmp. Missing files are written\n"
    "empty; missing element folders are left out. MainWindow/BackGroundImage/image.bmp is required.\n\n"
    "Warns about parameters.txt lines the launcher ignores (unknown names, lines without '=')\n"
    "and about update server addresses in FILE that do not end with '/'.\n";
} // namespace

int runStream(const QStringList& args) {
    CommandArguments parsed = CommandArguments::parse(args, {u"--skin"_qs, u"--config"_qs, u"-o"_qs});
    if (parsed.help)
        return commandUsage(kUsage);
    const QString skinDir = parsed.required(u"--skin"_qs);
    const QString configFile = parsed.required(u"--config"_qs);
    const QString output = parsed.required(u"-o"_qs);
    if (parsed.error.isEmpty() && !parsed.positional.isEmpty())
        parsed.error = u"unexpected argument %1"_qs.arg(parsed.positional.first());
    if (!parsed.error.isEmpty())
        return commandFailed("stream", parsed.error + u"\n\n"_qs + QString::fromLatin1(kUsage));

    QString error;
    const auto configText = readInputFile(configFile, error);
    if (!configText)
        return commandFailed("stream", error);
    const PackResult blocks = writeSkinBlocks(skinDir);
    if (!blocks.ok())
        return commandFailed("stream", blocks.error);
    for (const QString& warning : blocks.warnings + checkConfigText(configFile, *configText))
        commandWarning("stream", warning);
    error = writeOutputFile(output, blocks.bytes + *configText);
    return error.isEmpty() ? 0 : commandFailed("stream", error);
}

} // namespace kaldoria::pack
