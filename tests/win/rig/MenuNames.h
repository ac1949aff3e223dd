// Menu item names as a screen reader's menu proxy finds them: an item's own string, or for an
// owner-drawn item the MSAAMENUINFO at the start of its item data.
#pragma once

#include <windows.h>

namespace rig {

// Walks `menu` beside `resource` (the same menu as the system loads it from the resource),
// position by position and into every popup. Each item must be named by the resource's text at
// its position, and no separator may carry a name. Returns the number of items named.
int ExpectMenuNamesFrom(HMENU resource, HMENU menu);

}  // namespace rig
