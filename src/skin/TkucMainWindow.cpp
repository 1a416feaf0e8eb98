#include "skin/TkucMainWindow.h"

#include "skin/SkinWindowBlock.h"

namespace kaldoria::skin {

SkinReadResult TkucMainWindow::LoadFromStream(QIODevice& stream) {
    return readWindowBlock(stream, [&](qint32 vers) { return LoadFromStreamVers(stream, vers); });
}

SkinReadResult TkucMainWindow::LoadFromStreamVers(QIODevice& stream, qint32 vers) {
    if (vers != Version)
        return SkinReadResult::Ok;
    // The tags of the main-window block; 12 to 17 do not follow the field order.
    return readWindowRecords(stream, [this](quint8 tag) -> ElementReader {
        switch (tag) {
        case 1:
            return readerOf(BackGroundImage);
        case 2:
            return readerOf(Button_StartGame);
        case 3:
            return readerOf(Button_Cancel);
        case 4:
            return readerOf(Button_CheckAllFiles);
        case 5:
            return readerOf(Button_Close);
        case 6:
            return readerOf(Button_Minimize);
        case 7:
            return readerOf(Button_Config);
        case 8:
            return readerOf(Progress_OneFile);
        case 9:
            return readerOf(Progress_Total);
        case 10:
            return readerOf(Text_Title);
        case 11:
            return readerOf(Text_Status);
        case 12:
            return readerOf(WebPanel);
        case 13:
            return readerOf(Gauge_OneFile);
        case 14:
            return readerOf(Gauge_Total);
        case 15:
            return readerOf(Box_LangFolder);
        case 16:
            return readerOf(Text_StatusTotal);
        case 17:
            return readerOf(Text_LangBoxDescription);
        default:
            return {};
        }
    });
}

} // namespace kaldoria::skin
