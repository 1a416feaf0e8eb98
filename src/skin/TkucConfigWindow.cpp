#include "skin/TkucConfigWindow.h"

#include "skin/SkinWindowBlock.h"

namespace kaldoria::skin {

SkinReadResult TkucConfigWindow::LoadFromStream(QIODevice& stream) {
    return readWindowBlock(stream, [&](qint32 vers) { return LoadFromStreamVers(stream, vers); });
}

SkinReadResult TkucConfigWindow::LoadFromStreamVers(QIODevice& stream, qint32 vers) {
    if (vers != Version)
        return SkinReadResult::Ok;
    return readWindowRecords(stream, [this](quint8 tag) -> ElementReader {
        switch (tag) {
        case 1:
            return readerOf(BackGroundImage);
        case 2:
            return readerOf(Text_Title);
        case 3:
            return readerOf(Text_Language);
        case 4:
            return readerOf(Text_Autoclose);
        case 5:
            return readerOf(Text_Proxy);
        case 6:
            return readerOf(Text_DriveType);
        case 7:
            return readerOf(Text_CheckType);
        case 8:
            return readerOf(Box_Language);
        case 9:
            return readerOf(Check_Autoclose);
        case 10:
            return readerOf(Box_Proxy);
        case 11:
            return readerOf(Box_DriveType);
        case 12:
            return readerOf(Box_CheckType);
        case 13:
            return readerOf(Button_Ok);
        default:
            return {};
        }
    });
}

} // namespace kaldoria::skin
