// What the window's controls and its menu do when used; the Win32 layer calls these after it has
// decoded the message (and, for a check box, after it has toggled the box).
#pragma once

#include "core/program.h"

namespace lumvo {

// A click on a picture button or a check box. Other controls have no click.
void OnControlClicked(Program& p, Ctl c);
// A menu item of "右键" chosen; an unknown command does nothing.
void OnMenuCommand(Program& p, int command);
// The left button released over 标签_底栏.
void OnFooterClicked(Program& p);

}  // namespace lumvo
