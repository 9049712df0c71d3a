// The program's dialog templates (100, 102, 132), menu 129 and accelerator table 130.
#pragma once

#include "platform/ResourceTypes.h"

// Null when the program has no resource of that id.
const DialogTemplate* FindDialogTemplate(int id);
const MenuTemplate* FindMenuTemplate(int id);
const AcceleratorTableTemplate* FindAcceleratorTable(int id);
