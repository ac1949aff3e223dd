// Names for the files a save makes beside its target.
#pragma once

#include <cstddef>
#include <string>

// The n-th name, counted from 0, of at most `maxLength` characters (and at least one): "~kw0",
// "~kw1" ..., shorter forms for short limits. Empty when there is no n-th name that short. A
// file given a name no longer than the target's own stays within any limit the target's path
// keeps to.
std::string ShortName(std::size_t n, std::size_t maxLength);
