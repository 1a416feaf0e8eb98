#pragma once

#include "skin/SkinReadResult.h"
#include "skin/TkucBackGround.h"
#include "skin/TkucButton.h"
#include "skin/TkucGauge.h"
#include "skin/TkucLabel.h"
#include "skin/TkucLangFolder.h"
#include "skin/TkucProgress.h"
#include "skin/TkucWebPanel.h"

#include <QIODevice>

namespace kaldoria::skin {

// The main window's skin: one element per skinned control, filled from the main-window
// block of the configuration stream.
class TkucMainWindow {
public:
    static constexpr qint32 Version = 12346;

    TkucBackGround BackGroundImage;
    TkucButton Button_StartGame;
    TkucButton Button_Cancel;
    TkucButton Button_CheckAllFiles;
    TkucButton Button_Close;
    TkucButton Button_Minimize;
    TkucButton Button_Config;
    TkucProgress Progress_OneFile;
    TkucProgress Progress_Total;
    TkucLabel Text_Title;
    TkucLabel Text_Status;
    TkucLabel Text_StatusTotal;
    TkucLangFolder Box_LangFolder;
    TkucLabel Text_LangBoxDescription;
    TkucGauge Gauge_OneFile;
    TkucGauge Gauge_Total;
    TkucWebPanel WebPanel;

    // Reads the block at the stream's current position: its version, then the rest
    // when the version is this window's.
    SkinReadResult LoadFromStream(QIODevice& stream);

    // Reads the rest of the block when `vers` is this window's version; otherwise reads
    // nothing and changes nothing.
    SkinReadResult LoadFromStreamVers(QIODevice& stream, qint32 vers);
};

} // namespace kaldoria::skin
