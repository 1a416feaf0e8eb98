#pragma once

#include "demoskin/ButtonArt.h"

#include <QImage>
#include <QRegion>

namespace kaldoria::pack::demoskin {

// Everything the demo skin's main window shows: the background, its outline, the six
// buttons and the textures of both gauges.
struct MainWindowArt {
    QImage background;
    QRegion outline;
    ButtonImages startGame;
    ButtonImages cancel;
    ButtonImages checkAllFiles;
    ButtonImages close;
    ButtonImages minimize;
    ButtonImages config;
    QImage gaugeBack;
    QImage gaugeOneFileFore;
    QImage gaugeTotalFore;
};

MainWindowArt drawMainWindow();

} // namespace kaldoria::pack::demoskin
