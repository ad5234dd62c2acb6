#pragma once

#include "picture/Picture.h"

#include <QByteArray>
#include <QString>
#include <variant>

// What a picture is loaded from: nothing, a file name, the bytes of an image or a picture.
using ImageSource = std::variant<std::monostate, QString, QByteArray, Picture>;
