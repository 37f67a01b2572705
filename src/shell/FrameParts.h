#pragma once

#include "shell/DocumentTabs.h"

class QAction;

// What the commands kept outside the frame's own file reach of it: its tabs, actions, the
// workspace and the document and project commands. The frame implements it; the commands
// include this, not the frame, so that the frame may include them.

namespace scrivlet {

enum class Command;
class DocumentCommands;
class DocumentTab;
class ProjectCommands;
class Workspace;

class FrameParts : public DocumentTabs {
public:
    virtual QAction* Action(Command command) const = 0;
    // What the window shows: the open documents' sessions and the project.
    virtual Workspace& Work() const = 0;
    virtual DocumentCommands& Commands() const = 0;
    // The project, its panels and commands.
    virtual ProjectCommands& Projects() const = 0;
    // Null for an index outside the tabs.
    virtual DocumentTab* TabAt(int index) const = 0;
};

}  // namespace scrivlet
