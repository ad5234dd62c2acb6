#pragma once

// Kind of the source image a picture was built from.
enum class PictureKind { None, Bitmap, Gif, Png, Tiff, Icon, Cursor, Other };
