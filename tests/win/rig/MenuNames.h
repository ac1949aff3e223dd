// Menu item names as a screen reader's menu proxy finds them: an item's own string, or for an
// owner-drawn item the MSAAMENUINFO at the start of its item data.
#pragma once

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

namespace rig {

// Reads the MSAAMENUINFO at `data` and its text from the process's memory, as the proxy does
// from another process: the signature, then cchWText characters and the terminator after them.
testing::AssertionResult ReadMenuName(ULONG_PTR data, std::wstring& name);

// Walks `menu` beside `resource` (the same menu as the system loads it from the resource),
// position by position and into every popup. Each item must be named by the resource's text at
// its position: a plain item by its string, an owner-drawn one by its MSAAMENUINFO. Separators
// must carry none. Returns the number of items named.
int ExpectMenuNamesFrom(HMENU resource, HMENU menu);

}  // namespace rig
