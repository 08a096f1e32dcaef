#pragma once
#include <QImage>
#include <QPixmap>
#include <QRect>

class QWidget;

namespace ravix::gui {

// A picture of a top-level window as a person sees it: its contents under a plain
// title bar with its caption, in a thin border. The offscreen platform draws no window
// frames of its own, and a caption is part of what each window and box says.
QPixmap WindowPicture(QWidget& window);

// Where that picture lies on the screen: the window's geometry grown by the title bar
// and the border.
QRect WindowPictureRect(const QWidget& window);

// The picture in at most 256 colours, which a window's flat greys and text need: a
// fraction of the file size, for pictures kept in the repository.
QImage Compact(const QPixmap& picture);

}  // namespace ravix::gui
