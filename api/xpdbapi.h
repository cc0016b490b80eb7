#pragma once

// The package builds with hidden visibility; this marks its exported surface.
// It depends on nothing, so every layer of the package can use it.
#define XPDB_API __attribute__((visibility("default")))
