#pragma once
// Reading a Windows bitmap file as an icon picture, with the checks that keep a
// bad file from stopping or swamping the program: only a regular file is
// opened, never in a way that waits, and a picture larger than any icon can
// use is refused on its header's word, before a pixel is decoded.

#include "platform/db/dataset.h"

#include <QImage>
#include <QString>

namespace vdb {

// The largest width and height of an icon picture, in pixels.
inline constexpr int kMaxIconSide = 1024;

// A picture whose header claims more than kMaxIconSide in either direction.
class PictureTooLarge : public Error
{
public:
    using Error::Error;
};

// The picture of the bitmap file at `path`; messages name the file as `name`
// (the path when empty). A file that is missing or no regular file fails with
// "Cannot open file %1", one that is no valid bitmap with "Bitmap image is not
// valid", and a picture over the bound with PictureTooLarge. The checks run on
// every call; a file unchanged since an earlier call is not decoded again.
QImage loadBitmapFile(const QString& path, const QString& name = {});

} // namespace vdb
