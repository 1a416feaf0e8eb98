#include "ui/mainwindow/TextNewsBrowser.h"

namespace kaldoria::mainwindow {

// The build had no web engine: the news panel is the plain HTML view.

NewsBrowser* NewsBrowser::create(QWidget* parent) {
    return new TextNewsBrowser(parent);
}

void NewsBrowser::prepareProcess() {}

} // namespace kaldoria::mainwindow
