// The sizing rules of the main window and the workspace, in twips.
#pragma once

#include <QRect>
#include <QSize>

namespace vd {

inline constexpr int kTwipsPerPixel = 15;
inline int Px(int twips) { return (twips * 2 + kTwipsPerPixel) / (2 * kTwipsPerPixel); }
inline QRect PxRect(int left, int top, int width, int height) {
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

// Places of the children that follow the workspace's size.
struct WorkspaceGeometry {
    QRect prof1{0, 360, 1335, 7935};
    QRect flex1{1440, 1560, 7215, 3855};
    int progressTop = 8280;
};

// The window's resize: the workspace takes the window's width and its height
// less 500; a size of 500 or less leaves that direction as it was.
QSize FormResize(QSize workspace, int windowWidth, int windowHeight);

// The workspace's resize: the profile view takes the whole workspace, the
// grid sits at (100, 500) 500 narrower and 1000 lower, the progress bar's top
// 300 above the bottom.
void WorkspaceResize(WorkspaceGeometry& g, int width, int height);

}  // namespace vd
