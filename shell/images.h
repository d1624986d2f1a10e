// The small images the tree and the result list draw, painted in code: 0 the root,
// 1 a configuration, 2 a keyword, 3 a hit that was opened, 4 a new hit; and the
// program's icon. GUI thread only.
#pragma once

#include <QIcon>

namespace plexaro {

// The image of an index 0..4; a null icon otherwise. Disabled items show it unchanged.
QIcon ShellImage(int index);
QIcon ProgramIcon();

}  // namespace plexaro
