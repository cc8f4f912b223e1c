#include "workspace/workspace_layout.h"

namespace vd {

QSize FormResize(QSize workspace, int windowWidth, int windowHeight) {
    if (windowHeight > 500) workspace.setHeight(windowHeight - 500);
    if (windowWidth > 500) workspace.setWidth(windowWidth);
    return workspace;
}

void WorkspaceResize(WorkspaceGeometry& g, int width, int height) {
    if (height > 500) {
        g.prof1.setHeight(height);
        g.flex1.setHeight(height - 1000);
        g.flex1.moveLeft(100);
    }
    if (width > 500) {
        g.prof1.setWidth(width);
        g.flex1.setWidth(width - 500);
        g.flex1.moveTop(500);
    }
    g.progressTop = height - 300;
}

}  // namespace vd
