#pragma once

#include "skin/SkinReadResult.h"
#include "skin/TkucBackGround.h"
#include "skin/TkucLabel.h"
#include "skin/TkucWebPanel.h"

#include <QIODevice>

namespace kaldoria::skin {

// The settings window's skin: one element per skinned control, filled from the
// settings-window block of the configuration stream.
class TkucConfigWindow {
public:
    static constexpr qint32 Version = 23457;

    TkucBackGround BackGroundImage;
    TkucLabel Text_Title;
    TkucLabel Text_Language;
    TkucLabel Text_Autoclose;
    TkucLabel Text_Proxy;
    TkucLabel Text_DriveType;
    TkucLabel Text_CheckType;
    TkucWebPanel Box_Language;
    TkucWebPanel Check_Autoclose;
    TkucWebPanel Box_Proxy;
    TkucWebPanel Box_DriveType;
    TkucWebPanel Box_CheckType;
    TkucWebPanel Button_Ok;

    // Reads the block at the stream's current position: its version, then the rest
    // when the version is this window's.
    SkinReadResult LoadFromStream(QIODevice& stream);

    // Reads the rest of the block when `vers` is this window's version; otherwise reads
    // nothing and changes nothing.
    SkinReadResult LoadFromStreamVers(QIODevice& stream, qint32 vers);
};

} // namespace kaldoria::skin
