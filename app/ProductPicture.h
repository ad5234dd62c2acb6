#pragma once

#include <QPixmap>

// The product picture the main window shows while a gauge is connected: a small drawing of the
// gauge with its probe.
QPixmap productPicture();
