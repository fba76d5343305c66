#pragma once

#include <QIcon>

// The program's icon: a small window with a coloured title bar, drawn at
// 32 and 16 pixels.
QIcon app_icon();
